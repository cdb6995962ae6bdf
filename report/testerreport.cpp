#include "report/testerreport.h"

#include "report/htmltable.h"

#include <QFile>
#include <QJsonArray>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <tuple>

using namespace Qt::StringLiterals;

namespace {

using Report::HtmlCell;
using Report::HtmlPage;
using Report::HtmlRow;
using Rows = QList<const HtmlRow *>;

std::optional<double> numberIn(QStringView text)
{
    QString digits;
    digits.reserve(text.size());
    for (const QChar c : text) {
        if (!c.isSpace()) // MT5 separates thousands with a space: "2 554.00"
            digits += c;
    }
    // A comma is never the tester's: thousands are separated by a space or not at all.
    static const QLocale strict = [] {
        QLocale c = QLocale::c();
        c.setNumberOptions(QLocale::RejectGroupSeparator);
        return c;
    }();
    bool ok = false;
    const double value = strict.toDouble(digits, &ok);
    return ok && !digits.isEmpty() ? std::optional(value) : std::nullopt;
}

// "12.80 (68.49%)" and "68.49% (12.80)": the figure outside the brackets, then the one inside.
std::optional<std::pair<double, double>> bracketedPair(QStringView text)
{
    const qsizetype open = text.indexOf(u'(');
    if (open < 0 || !text.trimmed().endsWith(u')'))
        return std::nullopt;
    QString outside = text.first(open).trimmed().toString();
    QString inside = text.sliced(open + 1).trimmed().chopped(1).toString();
    outside.remove(u'%');
    inside.remove(u'%');
    const auto first = numberIn(outside);
    const auto second = numberIn(inside);
    if (!first || !second)
        return std::nullopt;
    return std::pair(*first, *second);
}

// "H1", "M15", "MN1" as MetaTrader names timeframes; found in MT4's "1 Hour (H1)  2017.01.03 ..."
// and MT5's "M5 (2024.01.01 - 2025.12.31)".
QString timeframeIn(const QString &period)
{
    static const QRegularExpression code(QStringLiteral(
        "(?:^|\\()\\s*(M[1-9][0-9]?|H[1-9][0-9]?|D1|W1|MN1?|Daily|Weekly|Monthly)\\s*(?:\\)|\\s|$)"));
    const QRegularExpressionMatch match = code.match(period);
    if (!match.hasMatch())
        return period.section(u'(', 0, 0).trimmed();
    const QString found = match.captured(1);
    if (found == u"Daily")
        return QStringLiteral("D1");
    if (found == u"Weekly")
        return QStringLiteral("W1");
    if (found == u"Monthly" || found == u"MN")
        return QStringLiteral("MN1");
    return found;
}

// "EURUSD (Euro vs US Dollar)" -> "EURUSD".
QString symbolIn(const QString &text)
{
    return text.section(u'(', 0, 0).trimmed();
}

// The summary read cell by cell. The first thing that does not fit is the problem; every read
// after it is skipped, so that the caller checks once at the end.
class Summary final {
public:
    explicit Summary(bool englishLabels) : m_englishLabels(englishLabels) {}

    const QString &problem() const { return m_problem; }

    // The cell at row, column; the label's English wording confirms the place where the report
    // is in English.
    const HtmlCell *cell(const HtmlRow *row, int column, QLatin1StringView label)
    {
        if (!m_problem.isEmpty())
            return nullptr;
        if (!row || column >= row->cells.size()) {
            fail(QStringLiteral("the summary has no \"%1\"").arg(label));
            return nullptr;
        }
        if (m_englishLabels && column > 0) {
            const QString &written = row->cells[column - 1].text;
            if (written.compare(label, Qt::CaseInsensitive) != 0) {
                fail(QStringLiteral("the summary has \"%1\" where \"%2\" belongs").arg(written, label));
                return nullptr;
            }
        }
        return &row->cells[column];
    }

    QString text(const HtmlRow *row, int column, QLatin1StringView label)
    {
        const HtmlCell *found = cell(row, column, label);
        return found ? found->text : QString();
    }

    double number(const HtmlRow *row, int column, QLatin1StringView label)
    {
        const HtmlCell *found = cell(row, column, label);
        if (!found)
            return 0;
        const auto value = numberIn(found->text);
        if (!value)
            notAFigure(found->text, label);
        return value.value_or(0);
    }

    // A figure the reader can do without: absent, not a failure, when it does not read.
    std::optional<double> optionalNumber(const HtmlRow *row, int column, QLatin1StringView label)
    {
        const HtmlCell *found = cell(row, column, label);
        return found ? numberIn(found->text) : std::nullopt;
    }

    // Drawdowns and win rates: two figures in one cell.
    std::pair<double, double> pair(const HtmlRow *row, int column, QLatin1StringView label)
    {
        const HtmlCell *found = cell(row, column, label);
        if (!found)
            return {};
        const auto value = bracketedPair(found->text);
        if (!value)
            notAFigure(found->text, label);
        return value.value_or(std::pair(0.0, 0.0));
    }

    void fail(const QString &problem)
    {
        if (m_problem.isEmpty())
            m_problem = problem;
    }

private:
    void notAFigure(const QString &written, QLatin1StringView label)
    {
        fail(QStringLiteral("\"%1\" reads \"%2\", which is not a figure").arg(label, written));
    }

    bool m_englishLabels;
    QString m_problem;
};

Rows rowsOfTable(const HtmlPage &page, int table)
{
    Rows rows;
    for (const HtmlRow &row : page.rows) {
        if (row.table == table)
            rows.append(&row);
    }
    return rows;
}

bool isSingleCell(const HtmlRow *row)
{
    return row->cells.size() == 1;
}

// Rows split where `separates` says, empty groups dropped: the summary's blocks of figures.
template<typename Predicate>
QList<Rows> groupsOf(const Rows &rows, Predicate separates)
{
    QList<Rows> groups(1);
    for (const HtmlRow *row : rows) {
        if (separates(row)) {
            if (!groups.last().isEmpty())
                groups.append(Rows());
        } else {
            groups.last().append(row);
        }
    }
    if (groups.last().isEmpty())
        groups.removeLast();
    return groups;
}

const HtmlRow *rowAt(const QList<Rows> &groups, qsizetype group, qsizetype index)
{
    if (group >= groups.size())
        return nullptr;
    const Rows &rows = groups[group];
    if (index < 0)
        index += rows.size();
    return index >= 0 && index < rows.size() ? rows[index] : nullptr;
}

// MT4: symbol, period, model and parameters; after a spacer row the money; after another the
// trades. The trade list is the second table, its last column the balance after a closing.
bool isMt4Summary(const Rows &rows)
{
    return !rows.isEmpty() && rows[0]->cells.size() == 2 && rows[0]->cells[0].columns == 2
           && rows[0]->cells[1].columns == 4;
}

void readMt4(const HtmlPage &page, TesterReport &report, Summary &summary)
{
    const QList<Rows> groups = groupsOf(rowsOfTable(page, 0), [](const HtmlRow *row) {
        // The spacer spans all six columns; the stray row after "Parameters" spans two.
        return isSingleCell(row) && row->cells[0].text.isEmpty() && row->cells[0].columns >= 6;
    });
    report.platform = Protocol::Platform::Mt4;
    report.expert = page.title.section(u':', 1).trimmed();
    if (report.expert.isEmpty())
        report.expert = page.title;
    report.symbol = symbolIn(summary.text(rowAt(groups, 0, 0), 1, "Symbol"_L1));
    report.period = timeframeIn(summary.text(rowAt(groups, 0, 1), 1, "Period"_L1));

    report.initialDeposit = summary.number(rowAt(groups, 1, 0), 1, "Initial deposit"_L1);
    const HtmlRow *profit = rowAt(groups, 1, 1);
    report.netProfit = summary.number(profit, 1, "Total net profit"_L1);
    report.grossProfit = summary.number(profit, 3, "Gross profit"_L1);
    report.grossLoss = summary.number(profit, 5, "Gross loss"_L1);
    const HtmlRow *factor = rowAt(groups, 1, 2);
    report.profitFactor = summary.number(factor, 1, "Profit factor"_L1);
    report.expectedPayoff = summary.number(factor, 3, "Expected payoff"_L1);
    const HtmlRow *drawdown = rowAt(groups, 1, 3);
    std::tie(report.maxDrawdown, report.maxDrawdownPercent) =
        summary.pair(drawdown, 3, "Maximal drawdown"_L1);
    std::tie(report.relativeDrawdownPercent, report.relativeDrawdown) =
        summary.pair(drawdown, 5, "Relative drawdown"_L1);

    report.totalTrades = int(summary.number(rowAt(groups, 2, 0), 1, "Total trades"_L1));
    report.winRatePercent =
        summary.pair(rowAt(groups, 2, 1), 2, "Profit trades (% of total)"_L1).second;

    report.balance = {report.initialDeposit};
    const Rows trades = rowsOfTable(page, 1);
    for (qsizetype i = 1; i < trades.size(); ++i) { // after the column titles
        const QList<HtmlCell> &cells = trades[i]->cells;
        if (cells.size() != 10 || cells.last().text.isEmpty())
            continue; // an order opened, changed or deleted: the balance stands
        const auto balance = numberIn(cells.last().text);
        if (!balance) {
            summary.fail(QStringLiteral("trade %1 leaves a balance of \"%2\", which is not a figure")
                             .arg(cells.first().text, cells.last().text));
            return;
        }
        report.balance.append(*balance);
    }
}

// MT5: a Settings block of label/value rows, then Results in blocks of three label/value pairs
// per row. The second table holds the orders and then the deals, whose Balance column follows
// every deal.
bool isMt5Setting(const HtmlRow *row)
{
    return row->cells.size() == 2 && row->cells[0].columns == 3 && row->cells[1].columns == 10;
}

void readMt5(const HtmlPage &page, TesterReport &report, Summary &summary)
{
    const Rows rows = rowsOfTable(page, 0);
    Rows settings;
    qsizetype resultsStart = 0;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (!isMt5Setting(rows[i]))
            continue;
        resultsStart = i + 1;
        if (!rows[i]->cells[0].text.isEmpty()) // the inputs go on in rows without a label
            settings.append(rows[i]);
    }
    // Spacers and block titles ("Results") are rows of one cell.
    const QList<Rows> groups = groupsOf(rows.sliced(resultsStart), isSingleCell);

    report.platform = Protocol::Platform::Mt5;
    report.expert = summary.text(settings.value(0), 1, "Expert:"_L1);
    report.symbol = symbolIn(summary.text(settings.value(1), 1, "Symbol:"_L1));
    report.period = timeframeIn(summary.text(settings.value(2), 1, "Period:"_L1));
    // ... Company, Currency, Initial Deposit, Leverage close the settings.
    report.initialDeposit = summary.number(settings.value(settings.size() - 2), 1,
                                           "Initial Deposit:"_L1);

    report.netProfit = summary.number(rowAt(groups, 0, -3), 1, "Total Net Profit:"_L1);
    const HtmlRow *gross = rowAt(groups, 0, -2);
    report.grossProfit = summary.number(gross, 1, "Gross Profit:"_L1);
    std::tie(report.maxDrawdown, report.maxDrawdownPercent) =
        summary.pair(gross, 3, "Balance Drawdown Maximal:"_L1);
    const HtmlRow *loss = rowAt(groups, 0, -1);
    report.grossLoss = summary.number(loss, 1, "Gross Loss:"_L1);
    std::tie(report.relativeDrawdownPercent, report.relativeDrawdown) =
        summary.pair(loss, 3, "Balance Drawdown Relative:"_L1);
    const HtmlRow *factor = rowAt(groups, 1, 0);
    report.profitFactor = summary.number(factor, 1, "Profit Factor:"_L1);
    report.expectedPayoff = summary.number(factor, 3, "Expected Payoff:"_L1);
    report.sharpeRatio = summary.optionalNumber(rowAt(groups, 1, 1), 3, "Sharpe Ratio:"_L1);
    report.totalTrades = int(summary.number(rowAt(groups, 2, 0), 1, "Total Trades:"_L1));
    report.winRatePercent =
        summary.pair(rowAt(groups, 2, 1), 3, "Profit Trades (% of total):"_L1).second;

    report.balance = {report.initialDeposit};
    bool deposit = true;
    QString entry; // "in" as this report writes it: the first trade's first deal must be one
    for (const HtmlRow *row : rowsOfTable(page, 1)) {
        const QList<HtmlCell> &cells = row->cells;
        if (cells.size() != 13 || cells[0].text.isEmpty() || !cells[0].text[0].isDigit())
            continue; // orders, column titles, totals
        const QString &direction = cells[4].text;
        if (deposit) { // the deal that puts the deposit in opens the list
            deposit = false;
            continue;
        }
        if (entry.isEmpty())
            entry = direction;
        if (direction.isEmpty() || direction == entry)
            continue; // balance operations and entries: no trade closes
        const auto balance = numberIn(cells[11].text);
        if (!balance) {
            summary.fail(QStringLiteral("deal %1 leaves a balance of \"%2\", which is not a figure")
                             .arg(cells[1].text, cells[11].text));
            return;
        }
        report.balance.append(*balance);
    }
}

TesterReportRead refused(const QString &problem)
{
    return TesterReportRead{std::nullopt, problem};
}

} // namespace

TesterReportRead readTesterReport(const QByteArray &file)
{
    if (file.isEmpty())
        return refused(QStringLiteral("the file is empty"));
    const QString text = Report::decodeReport(file);
    const HtmlPage page = Report::readHtmlPage(text);
    const Rows summaryRows = rowsOfTable(page, 0);
    const bool mt4 = isMt4Summary(summaryRows);
    const bool mt5 = !mt4 && std::any_of(summaryRows.cbegin(), summaryRows.cend(), isMt5Setting);
    if (!mt4 && !mt5)
        return refused(QStringLiteral("not a Strategy Tester report: no summary laid out as the tester writes it"));
    if (page.tables < 2 || !page.lastTableClosed)
        return refused(QStringLiteral("the report is cut short: its trade list does not end"));

    TesterReport report;
    const QString &firstLabel = summaryRows[0]->cells[0].text;
    const bool english = mt4 ? firstLabel == u"Symbol"
                             : std::any_of(summaryRows.cbegin(), summaryRows.cend(), [](const HtmlRow *row) {
                                   return isMt5Setting(row) && row->cells[0].text == u"Expert:";
                               });
    Summary summary(english);
    if (mt4)
        readMt4(page, report, summary);
    else
        readMt5(page, report, summary);
    if (!summary.problem().isEmpty())
        return refused(summary.problem());
    report.demo = text.contains(demoTesterMark, Qt::CaseInsensitive);
    return TesterReportRead{report, QString()};
}

TesterReportRead readTesterReportFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refused(QStringLiteral("cannot read the file: %1").arg(file.errorString()));
    return readTesterReport(file.readAll());
}

QJsonObject testerReportJson(const TesterReport &report)
{
    QJsonArray balance;
    for (const double value : report.balance)
        balance.append(value);
    return QJsonObject{
        {QStringLiteral("platform"), Protocol::wireName(report.platform)},
        {QStringLiteral("expert"), report.expert},
        {QStringLiteral("symbol"), report.symbol},
        {QStringLiteral("period"), report.period},
        {QStringLiteral("initial_deposit"), report.initialDeposit},
        {QStringLiteral("net_profit"), report.netProfit},
        {QStringLiteral("gross_profit"), report.grossProfit},
        {QStringLiteral("gross_loss"), report.grossLoss},
        {QStringLiteral("profit_factor"), report.profitFactor},
        {QStringLiteral("max_drawdown"), report.maxDrawdown},
        {QStringLiteral("max_drawdown_percent"), report.maxDrawdownPercent},
        {QStringLiteral("total_trades"), report.totalTrades},
        {QStringLiteral("balance"), balance},
        {QStringLiteral("demo"), report.demo},
    };
}

QJsonObject testerReportRecord(const TesterReport &report)
{
    QJsonObject json = testerReportJson(report);
    json.insert(QStringLiteral("expected_payoff"), report.expectedPayoff);
    json.insert(QStringLiteral("relative_drawdown"), report.relativeDrawdown);
    json.insert(QStringLiteral("relative_drawdown_percent"), report.relativeDrawdownPercent);
    json.insert(QStringLiteral("win_rate_percent"), report.winRatePercent);
    if (report.sharpeRatio)
        json.insert(QStringLiteral("sharpe_ratio"), *report.sharpeRatio);
    return json;
}

std::optional<TesterReport> testerReportFromRecord(const QJsonObject &json)
{
    const std::optional<Protocol::Platform> platform = Protocol::platformNamed(json.value(QStringLiteral("platform")).toString());
    if (!platform)
        return std::nullopt;
    TesterReport report;
    report.platform = *platform;
    report.expert = json.value(QStringLiteral("expert")).toString();
    report.symbol = json.value(QStringLiteral("symbol")).toString();
    report.period = json.value(QStringLiteral("period")).toString();
    report.initialDeposit = json.value(QStringLiteral("initial_deposit")).toDouble();
    report.netProfit = json.value(QStringLiteral("net_profit")).toDouble();
    report.grossProfit = json.value(QStringLiteral("gross_profit")).toDouble();
    report.grossLoss = json.value(QStringLiteral("gross_loss")).toDouble();
    report.profitFactor = json.value(QStringLiteral("profit_factor")).toDouble();
    report.expectedPayoff = json.value(QStringLiteral("expected_payoff")).toDouble();
    report.maxDrawdown = json.value(QStringLiteral("max_drawdown")).toDouble();
    report.maxDrawdownPercent = json.value(QStringLiteral("max_drawdown_percent")).toDouble();
    report.relativeDrawdown = json.value(QStringLiteral("relative_drawdown")).toDouble();
    report.relativeDrawdownPercent = json.value(QStringLiteral("relative_drawdown_percent")).toDouble();
    report.totalTrades = json.value(QStringLiteral("total_trades")).toInt();
    report.winRatePercent = json.value(QStringLiteral("win_rate_percent")).toDouble();
    if (json.contains(QStringLiteral("sharpe_ratio")))
        report.sharpeRatio = json.value(QStringLiteral("sharpe_ratio")).toDouble();
    for (const QJsonValue &value : json.value(QStringLiteral("balance")).toArray())
        report.balance.append(value.toDouble());
    report.demo = json.value(QStringLiteral("demo")).toBool();
    return report;
}
