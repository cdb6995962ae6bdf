// A stand-in for the terminal's strategy tester: it reads the start-up file the client
// writes (MT5: /config:FILE, MT4: FILE as the first argument), replays one fixed rule over a
// bundled synthetic series, and writes a report and a journal in the terminals' formats, so
// that the client's backtest step runs and is tested without a terminal. It never runs the
// trader's Expert Advisor; it only checks that it is there. Standard C++ only, so that it also
// builds as a Windows program run through Wine like the real one.
//
// The data folder is the folder of the start-up file (the client writes it there).
// TAVRIN_FAKE_TERMINAL_SECONDS=N makes it linger N seconds before it tests.

#include "backtest.h"
#include "compilerequest.h"
#include "testerreport.h"
#include "unicodetext.h"

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

using Keys = std::map<std::string, std::string>;

struct Request final
{
    fs::path startupFile;
    bool mt5 = false;
};

std::string unquoted(std::string text)
{
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        return text.substr(1, text.size() - 2);
    return text;
}

// MT4's start-up file comes as a plain argument; switches start with '/', as do host paths.
bool endsWithIni(const std::string &argument)
{
    if (argument.size() < 4)
        return false;
    std::string end = argument.substr(argument.size() - 4);
    for (char &c : end)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return end == ".ini";
}

Request requestOf(const std::vector<std::string> &arguments)
{
    Request request;
    const std::string configSwitch = "/config:";
    for (const std::string &argument : arguments) {
        if (argument.compare(0, configSwitch.size(), configSwitch) == 0) {
            request.startupFile = fs::u8path(unquoted(argument.substr(configSwitch.size())));
            request.mt5 = true;
        } else if (endsWithIni(unquoted(argument)) && request.startupFile.empty()) {
            request.startupFile = fs::u8path(unquoted(argument));
        }
    }
    return request;
}

std::string trimmed(const std::string &text)
{
    const size_t begin = text.find_first_not_of(" \t\r\n");
    const size_t end = text.find_last_not_of(" \t\r\n");
    return begin == std::string::npos ? std::string() : text.substr(begin, end - begin + 1);
}

// The keys of the start-up file; MT5's from its [Tester] section, MT4's from anywhere.
Keys readStartupFile(const fs::path &path, bool mt5)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    std::istringstream lines(UnicodeText::decoded(bytes.str()));
    Keys keys;
    std::string section;
    for (std::string line; std::getline(lines, line);) {
        line = trimmed(line);
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            section = line;
            continue;
        }
        const size_t equals = line.find('=');
        if (equals != std::string::npos && (!mt5 || section == "[Tester]"))
            keys[trimmed(line.substr(0, equals))] = trimmed(line.substr(equals + 1));
    }
    return keys;
}

std::string value(const Keys &keys, const std::string &key)
{
    const auto found = keys.find(key);
    return found == keys.end() ? std::string() : found->second;
}

fs::path windowsRelative(const fs::path &base, std::string relative)
{
    for (char &c : relative) {
        if (c == '\\')
            c = '/';
    }
    return base / fs::u8path(relative);
}

class Journal final
{
public:
    Journal(const fs::path &dataFolder, bool mt5)
        : m_mt5(mt5)
    {
        const std::time_t now = std::time(nullptr);
        char day[16];
        std::strftime(day, sizeof day, "%Y%m%d", std::localtime(&now));
        const fs::path folder = dataFolder / (mt5 ? "Tester" : "tester") / "logs";
        std::error_code error;
        fs::create_directories(folder, error);
        m_path = folder / (std::string(day) + ".log");
    }
    ~Journal()
    {
        const bool fresh = !fs::exists(m_path);
        std::ofstream file(m_path, std::ios::binary | std::ios::app);
        file << (m_mt5 ? (fresh ? TesterReport::utf16Bytes(m_text) : TesterReport::utf16Bytes(m_text).substr(2))
                       : m_text);
    }
    void add(const std::string &source, const std::string &message)
    {
        const std::time_t now = std::time(nullptr);
        char clock[16];
        std::strftime(clock, sizeof clock, "%H:%M:%S", std::localtime(&now));
        m_text += std::string(m_mt5 ? "KO\t0\t" : "0\t") + clock + ".000\t" + source + "\t" + message + "\r\n";
    }

private:
    fs::path m_path;
    std::string m_text;
    bool m_mt5;
};

// NAME, NAME.ex5 or NAME.mq5 below the Experts folder.
bool expertExists(const fs::path &experts, const std::string &name, bool mt5)
{
    const fs::path plain = windowsRelative(experts, name);
    if (plain.has_extension() && fs::exists(plain))
        return true;
    for (const char *extension : mt5 ? std::vector{".ex5", ".mq5"} : std::vector{".ex4", ".mq4"}) {
        if (fs::exists(fs::path(plain).replace_extension(extension)) || fs::exists(plain.string() + extension))
            return true;
    }
    return false;
}

// MT4 takes the deposit from tester\EXPERT.ini's <common> block.
double mt4Deposit(const fs::path &dataFolder, const std::string &expert)
{
    std::ifstream file(dataFolder / "tester" / fs::u8path(expert + ".ini"));
    for (std::string line; std::getline(file, line);) {
        line = trimmed(line);
        if (line.compare(0, 8, "deposit=") == 0)
            return std::atof(line.c_str() + 8);
    }
    return 10000;
}

void waitAsAsked()
{
    const char *seconds = std::getenv("TAVRIN_FAKE_TERMINAL_SECONDS");
    if (seconds)
        std::this_thread::sleep_for(std::chrono::seconds(std::atoi(seconds)));
}

int test(const Request &request)
{
    const Keys keys = readStartupFile(request.startupFile, request.mt5);
    const fs::path dataFolder = fs::absolute(request.startupFile).parent_path();
    const auto key = [&](const char *mt5Key, const char *mt4Key) { return value(keys, request.mt5 ? mt5Key : mt4Key); };
    const std::string expert = key("Expert", "TestExpert");
    if (expert.empty())
        return 0; // nothing to test: a terminal would just start
    Journal journal(dataFolder, request.mt5);
    const std::string symbol = key("Symbol", "TestSymbol");
    const std::string period = key("Period", "TestPeriod");
    const std::string where = symbol + "," + period;
    const fs::path experts = dataFolder / (request.mt5 ? "MQL5" : "MQL4") / "Experts";
    if (!expertExists(experts, expert, request.mt5)) {
        journal.add("Tester", "cannot open expert file \"Experts\\" + expert + "\" [2]");
        return 0;
    }
    const auto minutes = Backtest::periodMinutes(period.empty() ? "H1" : period);
    const auto from = Backtest::dayOf(key("FromDate", "TestFromDate"));
    const auto to = Backtest::dayOf(key("ToDate", "TestToDate"));
    if (!minutes || !from || !to || *to < *from) {
        journal.add("Tester", where + ": wrong testing period or dates");
        return 0;
    }
    if (!Backtest::hasHistory(symbol)) {
        journal.add("Tester", where + ": no history data, the " + TesterReport::StandIn + " has EURUSD and GBPUSD only");
        return 0;
    }
    TesterReport::Header header{expert, symbol, period, key("FromDate", "TestFromDate"), key("ToDate", "TestToDate")};
    if (request.mt5) {
        const std::string deposit = value(keys, "Deposit");
        header.deposit = deposit.empty() ? 10000 : std::atof(deposit.c_str());
        if (!value(keys, "Currency").empty())
            header.currency = value(keys, "Currency");
        if (!value(keys, "Leverage").empty())
            header.leverage = value(keys, "Leverage");
    } else {
        header.deposit = mt4Deposit(dataFolder, expert);
    }
    journal.add("Tester", where + ": testing of Experts\\" + expert + " from " + header.fromDate + " to "
                              + header.toDate + " started by the " + TesterReport::StandIn);
    const auto began = std::chrono::steady_clock::now();
    const Backtest::Result result = Backtest::run({symbol, *minutes, *from, *to, header.deposit});
    journal.add("Tester", "final balance " + TesterReport::spacedMoney(result.finalBalance) + " " + header.currency);

    std::string report = key("Report", "TestReport");
    if (!report.empty()) {
        fs::path path = windowsRelative(dataFolder, report);
        if (!path.has_extension())
            path += ".htm";
        const bool replace = key("ReplaceReport", "TestReplaceReport") == (request.mt5 ? "1" : "true");
        for (int copy = 1; !replace && fs::exists(path); ++copy)
            path.replace_filename(fs::u8path(fs::path(report).stem().u8string() + "[" + std::to_string(copy) + "].htm"));
        const bool written = request.mt5 ? TesterReport::writeMt5(path, header, result)
                                         : TesterReport::writeMt4(path, header, result);
        if (!written)
            journal.add("Tester", "cannot write the report \"" + report + "\"");
    }
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - began);
    char passed[64];
    std::snprintf(passed, sizeof passed, "Test passed in 0:00:%02lld.%03lld.", (long long)(took.count() / 1000 % 60),
                  (long long)(took.count() % 1000));
    journal.add("Tester", where + ": " + std::to_string(result.bars) + " bars generated. " + passed);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    const auto arguments = CompileRequest::commandArguments(argc, argv, true);
    const Request request = arguments ? requestOf(*arguments) : Request();
    waitAsAsked();
    // The real terminal ignores a start-up file it cannot find and simply starts.
    if (request.startupFile.empty() || !fs::exists(request.startupFile))
        return 0;
    return test(request);
}
