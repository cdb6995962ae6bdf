#include "riskreview.h"

#include "codetext.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

namespace mqlcheck {

namespace {

constexpr std::size_t none = std::size_t(-1);

struct Token
{
    std::string_view text;
    std::size_t offset = 0; // in the source
    int line = 0;
    bool word = false;   // an identifier or a keyword
    bool number = false;
    char mark = 0;       // the character of a one-character operator or bracket, else 0
};

// Tokens [begin, end).
struct Range
{
    std::size_t begin = 0;
    std::size_t end = 0;
};

struct Function
{
    std::string_view name;
    std::size_t open = 0;  // its body's '{'
    std::size_t close = 0; // its body's '}', or the last token when it has none
};

// "target = value", "owner.target *= value", "double target = value", ...
struct Assignment
{
    std::string_view target;
    std::string_view owner; // before a '.', else empty
    std::string_view op;
    Range value;
    std::size_t at = 0; // the target's token
};

enum class Stop { Given, Zero, Missing };

// A call that opens a position or places an order.
struct Opening
{
    std::size_t at = 0; // the function's name
    std::vector<Range> volumes;
    Stop stop = Stop::Given;
    std::vector<Range> prices;
};

// Where a CTrade method that opens takes its volume, its price and its stop loss.
struct OpeningMethod
{
    std::string_view name;
    std::size_t volume;
    std::size_t price;
    std::size_t stop;
};

constexpr OpeningMethod openingMethods[] = {
    {"Buy", 0, 2, 3},       {"Sell", 0, 2, 3},     {"BuyLimit", 0, 1, 3},     {"BuyStop", 0, 1, 3},
    {"SellLimit", 0, 1, 3}, {"SellStop", 0, 1, 3}, {"PositionOpen", 2, 3, 4}, {"OrderOpen", 2, 4, 5},
};

// The calls whose result tells whether an order went through.
constexpr std::string_view freeOrderFunctions[] = {"OrderSend", "OrderSendAsync", "OrderClose",
                                                   "OrderCloseBy", "OrderModify", "OrderDelete"};
constexpr std::string_view tradeMethods[] = {
    "Buy", "Sell", "BuyLimit", "BuyStop", "SellLimit", "SellStop", "PositionOpen", "PositionClose",
    "PositionClosePartial", "PositionCloseBy", "PositionModify", "OrderOpen", "OrderModify",
    "OrderDelete", "OrderSend"};
// What reads that result.
constexpr std::string_view resultReaders[] = {"GetLastError", "_LastError", "ResultRetcode",
                                              "ResultRetcodeDescription", "ResultDeal",
                                              "ResultOrder", "retcode"};
// What an EA looks at before it trades again: its positions and orders, the bar, the clock.
constexpr std::string_view stormGuards[] = {
    "OrdersTotal", "PositionsTotal", "PositionSelect", "PositionSelectByTicket", "PositionGetTicket",
    "PositionGetSymbol", "OrderSelect", "OrderGetTicket", "SelectByIndex", "SelectByMagic",
    "iTime", "iBars", "Bars", "CopyTime", "CopyRates", "SeriesInfoInteger",
    "TimeCurrent", "TimeLocal", "TimeGMT", "TimeTradeServer", "GetTickCount", "GetTickCount64",
    "GetMicrosecondCount"};
// The price now, and the price a position or order was opened at.
constexpr std::string_view currentPrices[] = {"Ask", "Bid", "SYMBOL_ASK", "SYMBOL_BID", "iClose"};
constexpr std::string_view openPrices[] = {"OrderOpenPrice", "POSITION_PRICE_OPEN", "ORDER_PRICE_OPEN",
                                           "PriceOpen"};
constexpr std::string_view conditionKeywords[] = {"if", "while", "for", "switch", "return", "sizeof"};

struct Explanation
{
    std::string_view rule;
    std::string_view format;
};

constexpr Explanation explanations[] = {
    {risk::DllImport,
     "Loads the DLL \"%1\", which runs outside MetaTrader's control with all the rights of your "
     "Windows account"},
    {risk::Network, "Calls %1, which sends data over the internet"},
    {risk::AccountDataOut,
     "Reads account data (%1) in a program that sends data over the internet: your account's "
     "details may leave this computer (heuristic)"},
    {risk::CommonFiles,
     "Opens files with %1, in the folder all terminals share, outside this terminal's own sandbox"},
    {risk::NoStopLoss,
     "%1 opens a trade without a stop loss, and none is set afterwards: its loss has no limit "
     "(heuristic)"},
    {risk::Martingale,
     "Multiplies the lot (%1) after a losing trade, a martingale: losses grow geometrically "
     "(heuristic)"},
    {risk::Grid,
     "Opens more orders as the price moves in steps (%1), a grid: the exposure grows with each "
     "step the price goes against it (heuristic)"},
    {risk::UnboundedLot,
     "The lot given to %1 is computed at run time and never limited by the symbol's maximum "
     "volume or a fixed cap (heuristic)"},
    {risk::OrderStorm,
     "%1 runs from OnTick without looking at open positions, a new bar or the time: it may send "
     "an order on every tick (heuristic)"},
    {risk::UncheckedTrade,
     "The result of %1 is never checked: a refused or failed order goes unnoticed"},
    {risk::EndlessLoop,
     "This %1 loop has no break, return or IsStopped() check: it never ends and freezes the "
     "terminal"},
};

// Most tokens differ from what they are compared with in their length or first character:
// those are told apart without a call.
inline bool same(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i])
            return false;
    }
    return true;
}

bool contains(std::string_view text, std::string_view part)
{
    return text.find(part) != std::string_view::npos;
}

// lowerPart in lower case.
bool containsNoCase(std::string_view text, std::string_view lowerPart)
{
    const auto equal = [](char c, char lower) {
        return (c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c) == lower;
    };
    return std::search(text.begin(), text.end(), lowerPart.begin(), lowerPart.end(), equal) != text.end();
}

// A list of names that every token is looked up in: most are told apart by their first character.
class Names final
{
public:
    template<std::size_t N>
    explicit Names(const std::string_view (&names)[N])
        : m_names(std::begin(names), std::end(names))
    {
        for (const std::string_view name : m_names)
            m_firsts.set(static_cast<unsigned char>(name.front()));
    }

    bool contains(std::string_view text) const
    {
        return !text.empty() && m_firsts.test(static_cast<unsigned char>(text.front()))
               && std::any_of(m_names.begin(), m_names.end(), [&](std::string_view name) { return same(text, name); });
    }

private:
    std::vector<std::string_view> m_names;
    std::bitset<256> m_firsts;
};

template<std::size_t N>
bool oneOf(std::string_view text, const std::string_view (&list)[N])
{
    return std::any_of(std::begin(list), std::end(list), [&](std::string_view item) { return same(text, item); });
}

bool isOpener(char mark)
{
    return mark == '(' || mark == '[' || mark == '{';
}

bool isLotName(std::string_view name)
{
    // Case matters for what is left out: "InpLots" is a lot, "PlotIndex" is not.
    const bool other = contains(name, "plot") || contains(name, "Plot") || contains(name, "slot")
                       || contains(name, "Slot") || containsNoCase(name, "step");
    return (containsNoCase(name, "lot") || containsNoCase(name, "volume")) && !other;
}

bool isProfitName(std::string_view name)
{
    return containsNoCase(name, "profit");
}

bool isLossName(std::string_view name)
{
    return containsNoCase(name, "los") // most names stop here
           && (containsNoCase(name, "loss") || containsNoCase(name, "losing"))
           && !containsNoCase(name, "stoploss") && !containsNoCase(name, "stop_loss");
}

class Review final
{
public:
    Review(std::string_view source, Language language);

    std::vector<RiskFinding> findings();

private:
    void tokenize();
    void matchBrackets();
    void findFunctions();
    void findAssignments();
    void findOpenings();
    void findReachableFromOnTick();

    void dllImports();
    void networkCalls();
    void commonFiles();
    void stopLosses();
    void martingales();
    void grids();
    void unboundedLots();
    void orderStorms();
    void uncheckedTrades();
    void endlessLoops();

    void add(std::string_view rule, std::size_t token, std::string subject);
    static std::string explanationOf(std::string_view rule, const std::string &subject);
    bool is(std::size_t i, std::string_view text) const
    {
        if (i >= m_tokens.size())
            return false;
        const std::string_view t = m_tokens[i].text;
        return t.size() == text.size() && t.front() == text.front() && (t.size() == 1 || t == text);
    }
    bool isCall(std::size_t i) const { return m_tokens[i].word && is(i + 1, "("); }
    bool isMethodCall(std::size_t i) const { return isCall(i) && i > 0 && is(i - 1, "."); }
    bool isFreeCall(std::size_t i) const { return isCall(i) && !(i > 0 && is(i - 1, ".")); }
    bool defines(std::string_view name) const { return m_functionsByName.count(name) != 0; }
    bool mentions(std::string_view word) const;
    std::size_t closing(std::size_t opener) const;
    std::vector<Range> arguments(std::size_t call) const;
    std::size_t valueEnd(std::size_t from) const;
    std::size_t statementEnd(std::size_t from, bool withElse = true) const;
    std::size_t statementStart(std::size_t token) const;
    std::size_t valueStart(std::size_t token) const;
    bool isZero(Range range) const;
    bool alwaysZero(Range range, int depth = 0) const;
    bool restsOnZeroInputs(Range range) const;
    std::optional<Opening> requestOpening(std::size_t call, std::string_view request) const;
    std::optional<std::size_t> functionAt(std::size_t token) const;
    bool anyWord(Range range, bool (*test)(std::string_view)) const;
    bool isLossTest(Range condition) const;
    bool isWinTest(Range condition) const;
    bool comparesWithZero(Range condition, bool below) const;
    std::vector<Range> lossBranches() const;
    std::optional<std::string_view> lotMultiplied(std::size_t token) const;
    // The names that hold a price, looked up for every word: most are told apart by their
    // first character.
    class PriceNames final
    {
    public:
        enum Kind : unsigned char { Current = 1, Open = 2, Level = 4 }; // Level: an offset open price

        bool has(std::string_view name, Kind kind) const
        {
            if (!m_firsts.test(static_cast<unsigned char>(name.front())))
                return false;
            const auto known = m_kinds.find(name);
            return known != m_kinds.end() && (known->second & kind);
        }
        // Whether that is news.
        bool learn(std::string_view name, Kind kind)
        {
            m_firsts.set(static_cast<unsigned char>(name.front()));
            unsigned char &kinds = m_kinds[name];
            const bool news = !(kinds & kind);
            kinds |= kind;
            return news;
        }

    private:
        std::unordered_map<std::string_view, unsigned char> m_kinds;
        std::bitset<256> m_firsts;
    };
    bool isCurrentPrice(std::size_t token, const PriceNames &names) const;
    bool isOpenPrice(std::size_t token, const PriceNames &names) const;
    PriceNames priceNames() const;
    bool offsetOpenPrice(Range range, const PriceNames &names) const;
    bool isPriceStepTest(Range condition, const PriceNames &names) const;
    std::vector<Range> priceStepBranches(const PriceNames &names) const;
    const std::vector<std::size_t> *calledFunctions(std::size_t token) const;
    std::vector<bool> openingFunctions() const;
    bool multipleOf(Range range, std::string_view variable) const;
    void gridLoops();
    std::string_view operandName(std::size_t token, bool before) const;
    struct LotFacts
    {
        bool computed = false;
        bool bounded = false;
    };
    LotFacts lotFacts(Range range, int depth = 0);
    LotFacts nameFacts(std::string_view name, bool function, int depth);
    bool latched(const Opening &opening, const std::unordered_set<std::string_view> &tested) const;

    std::string_view m_source;
    Language m_language;
    CodeText m_text;
    std::vector<Token> m_tokens;
    std::vector<std::size_t> m_partner; // the matching bracket, or none
    std::vector<Function> m_functions;
    std::unordered_map<std::string_view, std::vector<std::size_t>> m_functionsByName;
    std::vector<Assignment> m_assignments;
    std::unordered_map<std::string_view, std::vector<std::size_t>> m_assignmentsOf; // by target
    std::unordered_map<std::string_view, std::vector<std::size_t>> m_fieldsOf;      // by owner
    std::unordered_map<std::string_view, bool> m_inputDefaultsZero;                  // by input
    std::vector<Opening> m_openings;
    std::vector<bool> m_reachable; // per function, from OnTick
    std::unordered_set<std::string_view> m_boundedNames;
    std::unordered_map<std::string_view, std::optional<LotFacts>> m_nameFacts;
    std::vector<RiskFinding> m_findings;
    std::unordered_set<std::string> m_reported; // "rule\nsubject"
    std::unordered_map<std::string, std::size_t> m_findingAt; // "rule\ns" statement, "rule\nl" line
};

Review::Review(std::string_view source, Language language)
    : m_source(source)
    , m_language(language)
    , m_text(source)
{
    tokenize();
    matchBrackets();
    findFunctions();
    findAssignments();
    findOpenings();
    findReachableFromOnTick();
}

std::vector<RiskFinding> Review::findings()
{
    dllImports();
    networkCalls();
    commonFiles();
    stopLosses();
    martingales();
    grids();
    unboundedLots();
    orderStorms();
    uncheckedTrades();
    endlessLoops();
    const auto order = [](const RiskFinding &finding) {
        return std::find(risk::rules.begin(), risk::rules.end(), finding.rule) - risk::rules.begin();
    };
    std::stable_sort(m_findings.begin(), m_findings.end(),
                     [&](const RiskFinding &a, const RiskFinding &b) {
                         return std::make_tuple(a.line, order(a)) < std::make_tuple(b.line, order(b));
                     });
    return std::move(m_findings);
}

void Review::tokenize()
{
    static constexpr std::string_view pairs[] = {"==", "!=", "<=", ">=", "&&", "||", "+=", "-=",
                                                 "*=", "/=", "%=", "|=", "&=", "^=", "++", "--",
                                                 "::", "<<", ">>"};
    static constexpr std::array<bool, 256> pairStarts = [] {
        std::array<bool, 256> starts{};
        for (const char c : std::string_view("=!<>&|+-*/%^:"))
            starts[static_cast<unsigned char>(c)] = true;
        return starts;
    }();
    const std::string &code = m_text.code();
    m_tokens.reserve(code.size() / 4);
    int line = 1;
    std::size_t i = 0;
    while (i < code.size()) {
        const char c = code[i];
        if (isBlank(c)) {
            line += c == '\n';
            ++i;
            continue;
        }
        const bool digit = c >= '0' && c <= '9';
        const bool fraction = c == '.' && i + 1 < code.size() && code[i + 1] >= '0' && code[i + 1] <= '9';
        std::size_t end = i + 1;
        if (isWordCharacter(c) || fraction) {
            while (end < code.size() && (isWordCharacter(code[end]) || ((digit || fraction) && code[end] == '.')))
                ++end;
        } else if (i + 1 < code.size() && pairStarts[static_cast<unsigned char>(c)]
                   && oneOf(std::string_view(code).substr(i, 2), pairs)) {
            end = i + 2;
        }
        const std::string_view text = std::string_view(code).substr(i, end - i);
        const bool word = isWordCharacter(c) && !digit;
        const char mark = end == i + 1 && !word && !digit ? c : 0;
        m_tokens.push_back({text, i, line, word, digit || fraction, mark});
        i = end;
    }
}

// Each closer pairs with the nearest open bracket of its kind; those passed over stay unpaired.
void Review::matchBrackets()
{
    std::string marks;
    marks.reserve(m_tokens.size());
    for (const Token &token : m_tokens)
        marks.push_back(token.mark);
    m_partner = pairBrackets(marks, "([{", ")]}");
}

bool Review::mentions(std::string_view word) const
{
    return std::any_of(m_tokens.begin(), m_tokens.end(), [&](const Token &t) { return same(t.text, word); });
}

std::size_t Review::closing(std::size_t opener) const
{
    return m_partner[opener] != none ? m_partner[opener] : m_tokens.size();
}

// A body is a '{' after "name(...)" or "name(...) const"; bodies do not nest, class bodies
// are looked into.
void Review::findFunctions()
{
    for (std::size_t i = 0; i < m_tokens.size(); ++i) {
        if (!is(i, "{") || i < 3)
            continue;
        const std::size_t parenthesis = is(i - 1, "const") ? i - 2 : i - 1;
        if (!is(parenthesis, ")") || m_partner[parenthesis] == none || m_partner[parenthesis] == 0)
            continue;
        const Token &name = m_tokens[m_partner[parenthesis] - 1];
        if (!name.word || oneOf(name.text, conditionKeywords))
            continue;
        const std::size_t close = std::min(closing(i), m_tokens.size() - 1);
        m_functionsByName[name.text].push_back(m_functions.size());
        m_functions.push_back({name.text, i, close});
        i = close;
    }
}

void Review::findAssignments()
{
    for (std::size_t i = 1; i < m_tokens.size(); ++i) {
        const std::string_view op = m_tokens[i].text;
        if (op.back() != '=' || (op != "=" && op != "*=" && op != "/=" && op != "+=" && op != "-="))
            continue;
        std::size_t target = i - 1;
        if (is(target, "]") && m_partner[target] != none && m_partner[target] > 0)
            target = m_partner[target] - 1;
        if (!m_tokens[target].word)
            continue;
        const bool member = target >= 2 && is(target - 1, ".") && m_tokens[target - 2].word;
        const std::string_view owner = member ? m_tokens[target - 2].text : std::string_view();
        m_assignmentsOf[m_tokens[target].text].push_back(m_assignments.size());
        if (member)
            m_fieldsOf[owner].push_back(m_assignments.size());
        m_assignments.push_back({m_tokens[target].text, owner, op, {i + 1, valueEnd(i + 1)}, target});
        const std::size_t first = statementStart(target);
        if (!member && (is(first, "input") || is(first, "extern") || is(first, "sinput")))
            m_inputDefaultsZero[m_tokens[target].text] = isZero(m_assignments.back().value);
    }
}

// The end of an expression: a ';' or ',' outside its brackets, or a bracket it did not open.
std::size_t Review::valueEnd(std::size_t from) const
{
    std::size_t j = from;
    while (j < m_tokens.size()) {
        const char mark = m_tokens[j].mark;
        if ((mark == '(' || mark == '[') && m_partner[j] != none) {
            j = m_partner[j] + 1;
            continue;
        }
        if (mark == ';' || mark == ',' || mark == ')' || mark == ']' || mark == '{' || mark == '}')
            break;
        ++j;
    }
    return j;
}

// Past the statement that starts at from: a block, or up to its ';', with an if's else when
// withElse.
std::size_t Review::statementEnd(std::size_t from, bool withElse) const
{
    std::size_t j = from;
    while (j < m_tokens.size()) {
        const char mark = m_tokens[j].mark;
        if (mark == '}')
            return j;
        const bool ends = mark == '{' || mark == ';';
        j = isOpener(mark) ? closing(j) + 1 : j + 1;
        if (ends && !(withElse && is(j, "else")))
            break;
    }
    return std::min(j, m_tokens.size());
}

// The first token of the value that token is part of: after the assignment before it in its
// statement, else the statement's first.
std::size_t Review::valueStart(std::size_t token) const
{
    const std::size_t start = statementStart(token);
    for (std::size_t j = token; j > start; --j) {
        const std::string_view t = m_tokens[j - 1].text;
        if (t == "=" || t == "*=" || t == "/=" || t == "+=" || t == "-=")
            return j;
    }
    return start;
}

// The first token of the statement holding token.
std::size_t Review::statementStart(std::size_t token) const
{
    std::size_t j = token;
    while (j > 0) {
        const char mark = m_tokens[j - 1].mark;
        if (mark == ';' || mark == '{' || mark == '}')
            break;
        --j;
    }
    return j;
}

std::vector<Range> Review::arguments(std::size_t call) const
{
    std::vector<Range> result;
    const std::size_t close = closing(call + 1);
    std::size_t start = call + 2;
    if (start >= close)
        return result;
    for (std::size_t j = start; j < close; ++j) {
        if (isOpener(m_tokens[j].mark)) {
            j = closing(j);
        } else if (is(j, ",")) {
            result.push_back({start, j});
            start = j + 1;
        }
    }
    result.push_back({start, close});
    return result;
}

bool Review::isZero(Range range) const
{
    while (range.end > range.begin + 2 && is(range.begin, "(") && m_partner[range.begin] == range.end - 1) {
        ++range.begin;
        --range.end;
    }
    if (range.end != range.begin + 1)
        return false;
    const Token &t = m_tokens[range.begin];
    return t.text == "NULL"
           || (t.number && t.text.find_first_not_of("0.") == std::string_view::npos
               && contains(t.text, "0"));
}

// Zero, a name that is only ever assigned such values, or a value computed from inputs that
// all default to zero: a stop read from "input double StopLoss = 0" is no stop until the trader
// changes the input, and the program is reviewed as it comes.
bool Review::alwaysZero(Range range, int depth) const
{
    if (isZero(range) || restsOnZeroInputs(range))
        return true;
    if (depth > 3 || range.end != range.begin + 1 || !m_tokens[range.begin].word)
        return false;
    const auto it = m_assignmentsOf.find(m_tokens[range.begin].text);
    return it != m_assignmentsOf.end()
           && std::all_of(it->second.begin(), it->second.end(),
                          [&](std::size_t a) { return alwaysZero(m_assignments[a].value, depth + 1); });
}

// The range names at least one input, and every input it names defaults to zero.
bool Review::restsOnZeroInputs(Range range) const
{
    bool named = false;
    for (std::size_t j = range.begin; j < range.end; ++j) {
        if (!m_tokens[j].word)
            continue;
        const auto input = m_inputDefaultsZero.find(m_tokens[j].text);
        if (input == m_inputDefaultsZero.end())
            continue;
        if (!input->second)
            return false;
        named = true;
    }
    return named;
}

// An MQL5 OrderSend(request, result) opens when the request's action is a deal or a pending
// order and it names no position (then it closes or changes one). The fields are those set in
// the call's function, or anywhere when that function sets none.
std::optional<Opening> Review::requestOpening(std::size_t call, std::string_view request) const
{
    const auto fields = m_fieldsOf.find(request);
    if (fields == m_fieldsOf.end())
        return std::nullopt;
    // The assignments come in the order of their places.
    const std::vector<std::size_t> &all = fields->second;
    auto first = all.begin();
    auto last = all.end();
    if (const std::optional<std::size_t> function = functionAt(call)) {
        const auto before = [&](std::size_t a, std::size_t token) { return m_assignments[a].at < token; };
        const auto from = std::lower_bound(all.begin(), all.end(), m_functions[*function].open, before);
        const auto to = std::lower_bound(from, all.end(), m_functions[*function].close, before);
        if (from != to) {
            first = from;
            last = to;
        }
    }
    Opening opening{call, {}, Stop::Missing, {}};
    bool opens = false;
    bool position = false;
    for (auto index = first; index != last; ++index) {
        const Assignment &a = m_assignments[*index];
        for (std::size_t j = a.value.begin; a.target == "action" && j < a.value.end; ++j)
            opens = opens || is(j, "TRADE_ACTION_DEAL") || is(j, "TRADE_ACTION_PENDING");
        position = position || a.target == "position";
        if (a.target == "volume")
            opening.volumes.push_back(a.value);
        if (a.target == "price")
            opening.prices.push_back(a.value);
        if (a.target == "sl" && !alwaysZero(a.value))
            opening.stop = Stop::Given;
    }
    return opens && !position ? std::optional(opening) : std::nullopt;
}

std::optional<std::size_t> Review::functionAt(std::size_t token) const
{
    const auto after = std::upper_bound(m_functions.begin(), m_functions.end(), token,
                                        [](std::size_t t, const Function &f) { return t < f.open; });
    if (after == m_functions.begin())
        return std::nullopt;
    const std::size_t index = std::size_t(after - m_functions.begin()) - 1;
    return token <= m_functions[index].close ? std::optional(index) : std::nullopt;
}

void Review::findOpenings()
{
    const bool tradeClass = mentions("CTrade");
    for (std::size_t i = 0; i < m_tokens.size(); ++i) {
        if (!m_tokens[i].word || !is(i + 1, "("))
            continue;
        const std::string_view name = m_tokens[i].text;
        if (isFreeCall(i) && (name == "OrderSend" || name == "OrderSendAsync")) {
            const std::vector<Range> args = arguments(i);
            if (args.size() >= 6) { // MQL4: symbol, command, volume, price, slippage, stop loss, ...
                m_openings.push_back({i, {args[2]}, alwaysZero(args[5]) ? Stop::Zero : Stop::Given, {args[3]}});
                continue;
            }
            if (args.size() != 2 || args[0].end != args[0].begin + 1)
                continue;
            if (std::optional<Opening> opening = requestOpening(i, m_tokens[args[0].begin].text))
                m_openings.push_back(std::move(*opening));
            continue;
        }
        if (!tradeClass || !isMethodCall(i))
            continue;
        for (const OpeningMethod &method : openingMethods) {
            if (method.name != name)
                continue;
            const std::vector<Range> args = arguments(i);
            Opening opening{i, {}, Stop::Missing, {}};
            if (args.size() > method.volume)
                opening.volumes.push_back(args[method.volume]);
            if (args.size() > method.price)
                opening.prices.push_back(args[method.price]);
            if (args.size() > method.stop)
                opening.stop = alwaysZero(args[method.stop]) ? Stop::Zero : Stop::Given;
            m_openings.push_back(opening);
        }
    }
}

void Review::findReachableFromOnTick()
{
    m_reachable.assign(m_functions.size(), false);
    std::vector<std::size_t> todo;
    for (std::size_t f = 0; f < m_functions.size(); ++f) {
        const std::string_view name = m_functions[f].name;
        if (name == "OnTick" || (m_language == Language::Mql4 && name == "start")) {
            m_reachable[f] = true;
            todo.push_back(f);
        }
    }
    while (!todo.empty()) {
        const Function &function = m_functions[todo.back()];
        todo.pop_back();
        for (std::size_t j = function.open; j < function.close; ++j) {
            if (!isCall(j))
                continue;
            const auto callee = m_functionsByName.find(m_tokens[j].text);
            if (callee == m_functionsByName.end())
                continue;
            for (const std::size_t f : callee->second) {
                if (!m_reachable[f]) {
                    m_reachable[f] = true;
                    todo.push_back(f);
                }
            }
        }
    }
}

// A rule finds a statement or a line once: "up ? t.Buy(...) : t.Sell(...)" is one place where
// the program trades, "Buy or Sell", however many lines it takes.
void Review::add(std::string_view rule, std::size_t token, std::string subject)
{
    if (!m_reported.insert(std::string(rule) + '\n' + subject).second)
        return;
    const std::string statement = std::string(rule) + "\ns" + std::to_string(statementStart(token));
    const std::string line = std::string(rule) + "\nl" + std::to_string(m_tokens[token].line);
    for (const std::string &place : {statement, line}) {
        const auto known = m_findingAt.find(place);
        if (known == m_findingAt.end())
            continue;
        RiskFinding &finding = m_findings[known->second];
        finding.subject += " or " + subject;
        finding.explanation = explanationOf(rule, finding.subject);
        return;
    }
    m_findingAt[statement] = m_findingAt[line] = m_findings.size();
    m_findings.push_back({std::string(rule), m_tokens[token].line, subject, explanationOf(rule, subject)});
}

std::string Review::explanationOf(std::string_view rule, const std::string &subject)
{
    std::string explanation(riskExplanationFormat(rule));
    explanation.replace(explanation.find("%1"), 2, subject);
    return explanation;
}

void Review::dllImports()
{
    for (std::size_t i = 0; i + 1 < m_tokens.size(); ++i) {
        if (!is(i, "#") || !is(i + 1, "import") || m_tokens[i + 1].line != m_tokens[i].line)
            continue;
        // The name is a string, blanked in the code: read it from the source.
        std::size_t at = m_tokens[i + 1].offset + m_tokens[i + 1].text.size();
        while (at < m_source.size() && (m_source[at] == ' ' || m_source[at] == '\t'))
            ++at;
        if (at >= m_source.size() || m_source[at] != '"')
            continue;
        const std::size_t end = m_source.find_first_of("\"\n", at + 1);
        const std::string_view name =
            m_source.substr(at + 1, (end == std::string_view::npos ? m_source.size() : end) - at - 1);
        const std::string_view extension = name.substr(name.size() - std::min<std::size_t>(name.size(), 4));
        if (!name.empty() && !containsNoCase(extension, ".ex4") && !containsNoCase(extension, ".ex5"))
            add(risk::DllImport, i, std::string(name));
    }
}

void Review::networkCalls()
{
    bool network = false;
    for (std::size_t i = 0; i < m_tokens.size() && !network; ++i) {
        const std::string_view name = m_tokens[i].text;
        network = isFreeCall(i)
                  && (name == "WebRequest" || name == "SendFTP" || name == "SendMail"
                      || (name.size() > 6 && name.substr(0, 6) == "Socket"))
                  && !defines(name);
        if (network)
            add(risk::Network, i, std::string(name));
    }
    if (!network)
        return;
    for (std::size_t i = 0; i < m_tokens.size(); ++i) {
        const std::string_view name = m_tokens[i].text;
        const bool accountCall = name.size() > 7 && name.substr(0, 7) == "Account" && isFreeCall(i)
                                 && !defines(name);
        if (accountCall || name == "CAccountInfo")
            return add(risk::AccountDataOut, i, std::string(name));
    }
}

void Review::commonFiles()
{
    for (std::size_t i = 0; i < m_tokens.size(); ++i) {
        if (m_tokens[i].text == "FILE_COMMON")
            return add(risk::CommonFiles, i, "FILE_COMMON");
    }
}

void Review::stopLosses()
{
    if (mentions("TRADE_ACTION_SLTP"))
        return;
    for (std::size_t i = 0; i < m_tokens.size(); ++i) {
        // OrderModify(ticket, price, stop, ...), in MQL4 and in CTrade; PositionModify(position, stop, ...).
        const std::string_view name = m_tokens[i].text;
        const std::size_t stop = name == "OrderModify" ? 2 : name == "PositionModify" ? 1 : none;
        if (stop == none || !isCall(i))
            continue;
        const std::vector<Range> args = arguments(i);
        if (args.size() > stop && !alwaysZero(args[stop]))
            return;
    }
    for (const Opening &opening : m_openings) {
        if (opening.stop != Stop::Given)
            add(risk::NoStopLoss, opening.at, std::string(m_tokens[opening.at].text));
    }
}

bool Review::anyWord(Range range, bool (*test)(std::string_view)) const
{
    for (std::size_t j = range.begin; j < range.end; ++j) {
        if (m_tokens[j].word && test(m_tokens[j].text))
            return true;
    }
    return false;
}

// "x < 0", "x <= 0", "0 > x", "0 >= x" when below, the other way round when not.
bool Review::comparesWithZero(Range condition, bool below) const
{
    const std::string_view less = below ? "<" : ">";
    const std::string_view lessOrEqual = below ? "<=" : ">=";
    const std::string_view greater = below ? ">" : "<";
    const std::string_view greaterOrEqual = below ? ">=" : "<=";
    for (std::size_t j = condition.begin; j + 1 < condition.end; ++j) {
        const std::string_view t = m_tokens[j].text;
        if ((t == less || t == lessOrEqual) && isZero({j + 1, j + 2}))
            return true;
        if (isZero({j, j + 1}) && (is(j + 1, greater) || is(j + 1, greaterOrEqual)))
            return true;
    }
    return false;
}

bool Review::isLossTest(Range condition) const
{
    return anyWord(condition, isLossName)
           || (comparesWithZero(condition, true) && anyWord(condition, isProfitName));
}

// Not a loss test.
bool Review::isWinTest(Range condition) const
{
    return comparesWithZero(condition, false) && anyWord(condition, isProfitName);
}

// The code run after a loss: an if's branch on a loss, the else of one on a win, the first
// choice of a ?: on a loss.
std::vector<Range> Review::lossBranches() const
{
    std::vector<Range> branches;
    for (std::size_t i = 0; i + 1 < m_tokens.size(); ++i) {
        if (is(i, "?")) {
            const std::size_t start = statementStart(i);
            std::size_t end = i + 1;
            while (end < m_tokens.size() && !is(end, ":") && !is(end, ";"))
                end = isOpener(m_tokens[end].mark) ? closing(end) + 1 : end + 1;
            if (isLossTest({start, i}))
                branches.push_back({i + 1, end});
            continue;
        }
        if (!is(i, "if") || !is(i + 1, "("))
            continue;
        const std::size_t close = closing(i + 1);
        const Range condition{i + 2, close};
        const std::size_t thenEnd = statementEnd(close + 1, false);
        if (isLossTest(condition))
            branches.push_back({close + 1, thenEnd});
        else if (is(thenEnd, "else") && isWinTest(condition))
            branches.push_back({thenEnd + 1, statementEnd(thenEnd + 1)});
    }
    return branches;
}

// The name of the operand next to an operator: a name, or a call's name.
std::string_view Review::operandName(std::size_t token, bool before) const
{
    if (before) {
        if (token == 0)
            return {};
        const std::size_t j = token - 1;
        if (is(j, ")") && m_partner[j] != none && m_partner[j] > 0)
            return m_tokens[m_partner[j] - 1].word ? m_tokens[m_partner[j] - 1].text : std::string_view();
        return m_tokens[j].word ? m_tokens[j].text : std::string_view();
    }
    return token + 1 < m_tokens.size() && m_tokens[token + 1].word ? m_tokens[token + 1].text
                                                                   : std::string_view();
}

// The lot's name when token multiplies a lot by a factor or adds a lot to itself.
std::optional<std::string_view> Review::lotMultiplied(std::size_t token) const
{
    const std::string_view op = m_tokens[token].text;
    const std::string_view left = operandName(token, true);
    const std::string_view right = operandName(token, false);
    const auto factor = [&](std::size_t j, std::string_view name) {
        if (j >= m_tokens.size())
            return false;
        if (m_tokens[j].number)
            return std::strtod(std::string(m_tokens[j].text).c_str(), nullptr) > 1.0;
        return (!name.empty() && !isLotName(name)) || is(j, "(");
    };
    if (op == "+")
        return !left.empty() && left == right && isLotName(left) ? std::optional(left) : std::nullopt;
    if (!left.empty() && isLotName(left) && factor(token + 1, right))
        return left;
    if (op == "*" && !right.empty() && isLotName(right) && factor(token - 1, left))
        return right;
    return std::nullopt;
}

void Review::martingales()
{
    const std::vector<Range> branches = lossBranches();
    for (std::size_t i = 0; i < m_tokens.size(); ++i) {
        const std::string_view t = m_tokens[i].text;
        if (m_tokens[i].mark != '*' && m_tokens[i].mark != '+' && t != "*=")
            continue;
        const std::optional<std::string_view> lot = lotMultiplied(i);
        if (!lot)
            continue;
        const bool afterLoss = std::any_of(branches.begin(), branches.end(), [i](Range r) {
            return i >= r.begin && i < r.end;
        });
        if (afterLoss || anyWord({valueStart(i), valueEnd(i)}, isLossName))
            add(risk::Martingale, i, std::string(*lot));
    }
}

bool Review::isCurrentPrice(std::size_t token, const PriceNames &names) const
{
    static const Names prices(currentPrices);
    const std::string_view t = m_tokens[token].text;
    if (!m_tokens[token].word)
        return false;
    const bool tick = (t == "ask" || t == "bid") && token > 0 && is(token - 1, ".");
    return prices.contains(t) || (t == "Close" && is(token + 1, "[")) || tick
           || names.has(t, PriceNames::Current);
}

bool Review::isOpenPrice(std::size_t token, const PriceNames &names) const
{
    static const Names prices(openPrices);
    const std::string_view t = m_tokens[token].text;
    if (!m_tokens[token].word)
        return false;
    const bool last = t.size() >= 8 && containsNoCase(t, "last")
                      && (containsNoCase(t, "lastprice") || containsNoCase(t, "last_price")
                          || (containsNoCase(t, "lastopen") && !containsNoCase(t, "time")));
    return prices.contains(t) || last || names.has(t, PriceNames::Open);
}

// The names assigned current or open prices and the functions returning them, followed
// through a few assignments.
Review::PriceNames Review::priceNames() const
{
    PriceNames names;
    const auto learn = [&](std::string_view name, Range value) {
        bool current = false;
        bool open = false;
        for (std::size_t j = value.begin; j < value.end; ++j) {
            current = current || isCurrentPrice(j, names);
            open = open || isOpenPrice(j, names);
        }
        bool changed = current && names.learn(name, PriceNames::Current);
        changed = (open && names.learn(name, PriceNames::Open)) || changed;
        return (open && offsetOpenPrice(value, names) && names.learn(name, PriceNames::Level)) || changed;
    };
    std::vector<std::pair<std::string_view, Range>> values; // what names and functions are given
    for (const Assignment &a : m_assignments) {
        if (a.owner.empty())
            values.emplace_back(a.target, a.value);
    }
    for (const Function &f : m_functions) {
        for (std::size_t j = f.open; j < f.close; ++j) {
            if (is(j, "return"))
                values.emplace_back(f.name, Range{j + 1, valueEnd(j + 1)});
        }
    }
    constexpr int rounds = 3; // a price passed on further than this is no longer one
    for (int round = 0; round < rounds; ++round) {
        bool changed = false;
        for (const auto &[name, value] : values)
            changed = learn(name, value) || changed;
        if (!changed)
            break;
    }
    return names;
}

// An open price with a distance added or taken away, or a name assigned one.
bool Review::offsetOpenPrice(Range range, const PriceNames &names) const
{
    bool open = false;
    bool offset = false;
    for (std::size_t j = range.begin; j < range.end; ++j) {
        open = open || isOpenPrice(j, names);
        offset = offset || m_tokens[j].mark == '+' || m_tokens[j].mark == '-'
                 || (m_tokens[j].word && names.has(m_tokens[j].text, PriceNames::Level));
    }
    return open && offset;
}

// A comparison of the price now with an offset open price.
bool Review::isPriceStepTest(Range condition, const PriceNames &names) const
{
    bool compares = false;
    std::size_t current = none;
    std::size_t open = none;
    for (std::size_t j = condition.begin; j < condition.end; ++j) {
        const std::string_view t = m_tokens[j].text;
        compares = compares || t == "<" || t == ">" || t == "<=" || t == ">=";
        if (current == none && isCurrentPrice(j, names))
            current = j;
        else if (open == none && isOpenPrice(j, names))
            open = j;
    }
    return compares && current != none && open != none && offsetOpenPrice(condition, names);
}

// The code run when the price stepped: an if's branch on a price step test, or what follows
// the if in its block when the branch leaves.
std::vector<Range> Review::priceStepBranches(const PriceNames &names) const
{
    std::vector<Range> branches;
    for (std::size_t i = 0; i + 1 < m_tokens.size(); ++i) {
        if (!is(i, "if") || !is(i + 1, "(") || !isPriceStepTest({i + 2, closing(i + 1)}, names))
            continue;
        const std::size_t close = closing(i + 1);
        std::size_t end = statementEnd(close + 1, false);
        if (!is(close + 1, "return") && !is(close + 1, "continue")) {
            branches.push_back({close + 1, end});
            continue;
        }
        const std::size_t rest = is(end, "else") ? statementEnd(end + 1, false) : end;
        for (end = rest; end < m_tokens.size() && !is(end, "}");)
            end = statementEnd(end);
        branches.push_back({rest, end});
    }
    return branches;
}

// The program's functions a call at token names, or none.
const std::vector<std::size_t> *Review::calledFunctions(std::size_t token) const
{
    if (!isFreeCall(token))
        return nullptr;
    const auto functions = m_functionsByName.find(m_tokens[token].text);
    return functions != m_functionsByName.end() ? &functions->second : nullptr;
}

// Per function: whether it opens an order, itself or through the functions it calls.
std::vector<bool> Review::openingFunctions() const
{
    std::vector<bool> opens(m_functions.size(), false);
    for (const Opening &opening : m_openings) {
        if (const std::optional<std::size_t> function = functionAt(opening.at))
            opens[*function] = true;
    }
    std::vector<std::vector<std::size_t>> callees(m_functions.size());
    for (std::size_t f = 0; f < m_functions.size(); ++f) {
        for (std::size_t j = m_functions[f].open; !opens[f] && j < m_functions[f].close; ++j) {
            if (const std::vector<std::size_t> *called = calledFunctions(j))
                callees[f].insert(callees[f].end(), called->begin(), called->end());
        }
    }
    for (bool changed = true; changed;) {
        changed = false;
        for (std::size_t f = 0; f < m_functions.size(); ++f) {
            const auto opening = [&](std::size_t c) { return bool(opens[c]); };
            if (!opens[f] && std::any_of(callees[f].begin(), callees[f].end(), opening))
                opens[f] = changed = true;
        }
    }
    return opens;
}

void Review::grids()
{
    if (m_openings.empty())
        return;
    gridLoops();
    const PriceNames names = priceNames();
    for (const Opening &opening : m_openings) {
        if (std::any_of(opening.prices.begin(), opening.prices.end(),
                        [&](Range price) { return offsetOpenPrice(price, names); }))
            add(risk::Grid, opening.at, std::string(m_tokens[opening.at].text));
    }
    const std::vector<Range> branches = priceStepBranches(names);
    if (branches.empty())
        return;
    const std::vector<bool> opens = openingFunctions();
    for (const Range branch : branches) {
        // The openings come in the order of their places.
        auto opening = std::lower_bound(m_openings.begin(), m_openings.end(), branch.begin,
                                        [](const Opening &o, std::size_t token) { return o.at < token; });
        for (; opening != m_openings.end() && opening->at < branch.end; ++opening)
            add(risk::Grid, opening->at, std::string(m_tokens[opening->at].text));
        for (std::size_t j = branch.begin; j < branch.end && j < m_tokens.size(); ++j) {
            const std::vector<std::size_t> *called = calledFunctions(j);
            if (called && std::any_of(called->begin(), called->end(), [&](std::size_t f) { return bool(opens[f]); }))
                add(risk::Grid, j, std::string(m_tokens[j].text));
        }
    }
}

// "variable * step", "step * variable", "(variable + 1) * step", ...
bool Review::multipleOf(Range range, std::string_view variable) const
{
    const auto holds = [&](std::size_t j) {
        if (j >= m_tokens.size())
            return false;
        if (m_tokens[j].mark != ')' && m_tokens[j].mark != '(')
            return same(m_tokens[j].text, variable);
        const std::size_t partner = m_partner[j];
        if (partner == none)
            return false;
        for (std::size_t k = std::min(j, partner); k < std::max(j, partner); ++k) {
            if (same(m_tokens[k].text, variable))
                return true;
        }
        return false;
    };
    for (std::size_t j = range.begin; j < range.end; ++j) {
        if (m_tokens[j].mark == '*' && j > 0 && (holds(j - 1) || holds(j + 1)))
            return true;
    }
    return false;
}

// Orders placed in a for loop at prices a multiple of its variable apart: a ladder of orders.
void Review::gridLoops()
{
    for (std::size_t i = 0; i + 1 < m_tokens.size(); ++i) {
        if (!is(i, "for") || !is(i + 1, "("))
            continue;
        const std::size_t close = closing(i + 1);
        std::string_view variable;
        for (std::size_t j = i + 2; j < close && !is(j, ";") && variable.empty(); ++j) {
            if (is(j + 1, "=") && m_tokens[j].word)
                variable = m_tokens[j].text;
        }
        if (variable.empty())
            continue;
        const Range body{close + 1, statementEnd(close + 1)};
        const auto stepped = [&](Range price) {
            if (multipleOf(price, variable))
                return true;
            for (std::size_t j = price.begin; j < price.end; ++j) {
                const auto assignments = m_tokens[j].word ? m_assignmentsOf.find(m_tokens[j].text)
                                                          : m_assignmentsOf.end();
                if (assignments == m_assignmentsOf.end())
                    continue;
                for (const std::size_t a : assignments->second) {
                    const Assignment &assignment = m_assignments[a];
                    if (assignment.at >= body.begin && assignment.at < body.end
                        && multipleOf(assignment.value, variable))
                        return true;
                }
            }
            return false;
        };
        for (const Opening &opening : m_openings) {
            if (opening.at >= body.begin && opening.at < body.end
                && std::any_of(opening.prices.begin(), opening.prices.end(), stepped))
                add(risk::Grid, opening.at, std::string(m_tokens[opening.at].text));
        }
    }
}

// What a volume's value comes from, followed through the names it is assigned from and the
// functions that return it.
Review::LotFacts Review::lotFacts(Range range, int depth)
{
    LotFacts facts;
    for (std::size_t j = range.begin; j < range.end; ++j) {
        const Token &t = m_tokens[j];
        if (t.mark == '*' || t.mark == '/' || t.mark == '+')
            facts.computed = true;
        if (!t.word || (j > range.begin && is(j - 1, ".")))
            continue;
        if (t.text == "MathMin" || t.text == "fmin" || m_boundedNames.count(t.text))
            facts.bounded = true;
        const LotFacts more = nameFacts(t.text, is(j + 1, "("), depth + 1);
        facts.computed = facts.computed || more.computed;
        facts.bounded = facts.bounded || more.bounded;
    }
    return facts;
}

Review::LotFacts Review::nameFacts(std::string_view name, bool function, int depth)
{
    constexpr int deepest = 16; // a chain of names this long is no lot's
    const auto known = m_nameFacts.find(name);
    if (known != m_nameFacts.end() || depth > deepest)
        return known != m_nameFacts.end() ? known->second.value_or(LotFacts()) : LotFacts();
    m_nameFacts[name] = std::nullopt; // a name assigned from itself adds nothing
    LotFacts facts;
    const auto merge = [&](const LotFacts &more) {
        facts.computed = facts.computed || more.computed;
        facts.bounded = facts.bounded || more.bounded;
    };
    const auto functions = m_functionsByName.find(name);
    if (function && functions != m_functionsByName.end()) {
        for (const std::size_t f : functions->second) {
            for (std::size_t j = m_functions[f].open; j < m_functions[f].close; ++j) {
                if (is(j, "return"))
                    merge(lotFacts({j + 1, valueEnd(j + 1)}, depth));
            }
        }
    }
    const auto assignments = m_assignmentsOf.find(name);
    if (!function && assignments != m_assignmentsOf.end()) {
        for (const std::size_t a : assignments->second) {
            facts.computed = facts.computed || m_assignments[a].op != "=";
            merge(lotFacts(m_assignments[a].value, depth));
        }
    }
    m_nameFacts[name] = facts;
    return facts;
}

void Review::unboundedLots()
{
    if (mentions("SYMBOL_VOLUME_MAX") || mentions("MODE_MAXLOT"))
        return;
    // "lots > bound": a cap, unless the bound is zero.
    for (std::size_t j = 1; j + 1 < m_tokens.size(); ++j) {
        const std::string_view t = m_tokens[j].text;
        if (!(t == ">" || t == ">=") || !m_tokens[j - 1].word)
            continue;
        if (!isZero({j + 1, j + 2}) && (m_tokens[j + 1].word || m_tokens[j + 1].number))
            m_boundedNames.insert(m_tokens[j - 1].text);
    }
    std::unordered_map<std::size_t, LotFacts> known; // by the volume's first token
    for (const Opening &opening : m_openings) {
        const bool unbounded = std::any_of(opening.volumes.begin(), opening.volumes.end(), [&](Range volume) {
            const auto it = known.find(volume.begin);
            const LotFacts facts = it != known.end() ? it->second : known[volume.begin] = lotFacts(volume);
            return facts.computed && !facts.bounded;
        });
        if (unbounded)
            add(risk::UnboundedLot, opening.at, std::string(m_tokens[opening.at].text));
    }
}

// A name assigned after the order in its function and tested by an if or a while reached
// from OnTick: a flag or a counter that stops the next order.
bool Review::latched(const Opening &opening, const std::unordered_set<std::string_view> &tested) const
{
    const std::optional<std::size_t> function = functionAt(opening.at);
    for (std::size_t j = opening.at; function && j < m_functions[*function].close; ++j) {
        const bool changed = is(j + 1, "=") || is(j + 1, "+=") || is(j + 1, "-=") || is(j + 1, "++")
                             || is(j + 1, "--") || (j > 0 && (is(j - 1, "++") || is(j - 1, "--")));
        if (m_tokens[j].word && changed && tested.count(m_tokens[j].text))
            return true;
    }
    return false;
}

void Review::orderStorms()
{
    static const Names guards(stormGuards);
    std::unordered_set<std::string_view> tested;
    for (std::size_t f = 0; f < m_functions.size(); ++f) {
        if (!m_reachable[f])
            continue;
        for (std::size_t j = m_functions[f].open; j < m_functions[f].close; ++j) {
            const bool bar = is(j, "Time") && is(j + 1, "[");
            if (bar || (m_tokens[j].word && guards.contains(m_tokens[j].text)))
                return;
            if ((is(j, "if") || is(j, "while")) && is(j + 1, "(")) {
                for (std::size_t k = j + 2; k < closing(j + 1); ++k) {
                    if (m_tokens[k].word)
                        tested.insert(m_tokens[k].text);
                }
            }
        }
    }
    for (const Opening &opening : m_openings) {
        const std::optional<std::size_t> function = functionAt(opening.at);
        if (function && m_reachable[*function] && !latched(opening, tested))
            add(risk::OrderStorm, opening.at, std::string(m_tokens[opening.at].text));
    }
}

void Review::uncheckedTrades()
{
    const bool tradeClass = mentions("CTrade");
    for (std::size_t i = 0; i < m_tokens.size(); ++i) {
        if (!isCall(i))
            continue;
        const std::string_view name = m_tokens[i].text;
        std::size_t start = i;
        if (isFreeCall(i) && !oneOf(name, freeOrderFunctions))
            continue;
        if (isMethodCall(i)) {
            if (!tradeClass || !oneOf(name, tradeMethods))
                continue;
            while (start >= 2 && is(start - 1, ".") && m_tokens[start - 2].word)
                start -= 2;
        }
        // A statement of its own: nothing before it takes the value.
        const bool own = start == 0 || is(start - 1, ";") || is(start - 1, "{") || is(start - 1, "}")
                         || is(start - 1, "else")
                         || (is(start - 1, ")") && m_partner[start - 1] != none && m_partner[start - 1] > 0
                             && oneOf(m_tokens[m_partner[start - 1] - 1].text, conditionKeywords));
        const std::size_t close = closing(i + 1);
        if (!own || !is(close + 1, ";"))
            continue;
        bool read = false;
        for (std::size_t j = close + 2, depth = 0; j < m_tokens.size() && !read; ++j) {
            const char mark = m_tokens[j].mark;
            if (depth == 0 && (mark == ';' || mark == '{' || mark == '}'))
                break;
            depth += mark == '(' || mark == '[';
            depth -= depth > 0 && (mark == ')' || mark == ']');
            read = m_tokens[j].word && oneOf(m_tokens[j].text, resultReaders);
        }
        if (!read)
            add(risk::UncheckedTrade, i, std::string(name));
    }
}

void Review::endlessLoops()
{
    for (std::size_t i = 0; i + 1 < m_tokens.size(); ++i) {
        const bool isWhile = is(i, "while");
        if ((!isWhile && !is(i, "for")) || !is(i + 1, "("))
            continue;
        const std::size_t close = closing(i + 1);
        const Range head{i + 2, close};
        const auto alwaysTrue = [&](Range r) {
            return r.end == r.begin + 1 && (is(r.begin, "true") || is(r.begin, "1"));
        };
        bool forever = isWhile && alwaysTrue(head);
        if (!isWhile) {
            std::vector<std::size_t> semicolons;
            for (std::size_t j = head.begin; j < head.end; ++j) {
                if (is(j, ";"))
                    semicolons.push_back(j);
            }
            forever = semicolons.size() == 2
                      && (semicolons[1] == semicolons[0] + 1 || alwaysTrue({semicolons[0] + 1, semicolons[1]}));
        }
        if (!forever)
            continue;
        Range body{close + 1, statementEnd(close + 1)};
        // "do { ... } while(true);": the body is the block before.
        if (isWhile && is(close + 1, ";") && i > 0 && is(i - 1, "}") && m_partner[i - 1] != none
            && m_partner[i - 1] > 0 && is(m_partner[i - 1] - 1, "do"))
            body = {m_partner[i - 1], i};
        bool leaves = false;
        for (std::size_t j = body.begin; j < body.end && j < m_tokens.size(); ++j)
            leaves = leaves || is(j, "break") || is(j, "return") || is(j, "IsStopped");
        if (!leaves)
            add(risk::EndlessLoop, i, isWhile ? "while(true)" : "for(;;)");
    }
}

} // namespace

std::vector<RiskFinding> reviewRisks(std::string_view utf8Source, Language language)
{
    return Review(withoutByteOrderMark(utf8Source), language).findings();
}

std::string_view riskExplanationFormat(std::string_view rule)
{
    for (const Explanation &explanation : explanations) {
        if (explanation.rule == rule)
            return explanation.format;
    }
    return {};
}

} // namespace mqlcheck
