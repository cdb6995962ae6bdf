// Finding the terminals below a terminal root holding 10, 100 and 1,000 data folders.

#include "benchsupport.h"

#include "platform/terminalscanner.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <map>
#include <memory>

namespace {

struct Install final
{
    const char *name;
    const char *executable;
    bool tester;
};

constexpr Install kInstalls[] = {
    {"MetaTrader 4", "terminal.exe", false},
    {"Broker MT4 Terminal", "terminal.exe", false},
    {"MetaTrader 5", "terminal64.exe", true},
    {"Broker MT5 Terminal", "terminal64.exe", true},
};

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// A terminal root laid out once per size: data folders named like the terminals name
// them, most with a UTF-16 origin.txt as the terminals write it, some pointing at a
// missing installation, some (like "Common") without origin.txt.
class TerminalRoot final
{
public:
    explicit TerminalRoot(int dataFolders)
    {
        const QString installs = m_folder.filePath(QStringLiteral("installs"));
        for (const Install &install : kInstalls) {
            const QString path = installs + QLatin1Char('/') + QLatin1String(install.name);
            m_ok = m_ok && QDir().mkpath(path)
                && writeFile(path + QLatin1Char('/') + QLatin1String(install.executable), "MZ");
            if (install.tester)
                m_ok = m_ok && QDir().mkpath(path + QStringLiteral("/Tester"));
        }
        for (int index = 0; index < dataFolders; ++index) {
            const QString name = QString::fromLatin1(
                QCryptographicHash::hash(QByteArray::number(index), QCryptographicHash::Md5).toHex().toUpper());
            const QString dataFolder = root() + QLatin1Char('/') + name;
            m_ok = m_ok && QDir().mkpath(dataFolder + QStringLiteral("/MQL4"));
            if (index % 20 == 19)
                continue;
            const bool missing = index % 10 == 9;
            const QString installPath = missing ? installs + QStringLiteral("/Uninstalled")
                                                : installs + QLatin1Char('/') + QLatin1String(kInstalls[index % 4].name);
            const QString origin = QDir::toNativeSeparators(installPath) + QStringLiteral("\r\n");
            // An encoder writes its byte-order mark once only, so each file needs its own.
            QStringEncoder utf16(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
            const QByteArray bytes = index % 4 == 3 ? origin.toUtf8() : QByteArray(utf16.encode(origin));
            m_ok = m_ok && writeFile(dataFolder + QStringLiteral("/origin.txt"), bytes);
            if (!missing)
                ++m_expected;
        }
    }

    bool ok() const { return m_ok && m_folder.isValid(); }
    QString root() const { return m_folder.filePath(QStringLiteral("Terminal")); }
    qsizetype expected() const { return m_expected; }

private:
    QTemporaryDir m_folder;
    bool m_ok = true;
    qsizetype m_expected = 0;
};

const TerminalRoot &terminalRoot(int dataFolders)
{
    static std::map<int, std::unique_ptr<TerminalRoot>> roots;
    auto &root = roots[dataFolders];
    if (!root)
        root = std::make_unique<TerminalRoot>(dataFolders);
    return *root;
}

void scanTerminals(benchmark::State &state)
{
    const int dataFolders = int(state.range(0));
    const TerminalRoot &root = terminalRoot(dataFolders);
    if (!root.ok()) {
        state.SkipWithError("cannot lay out the terminal root");
        return;
    }
    const TerminalScanner scanner(root.root());
    qsizetype found = 0;
    QElapsedTimer timer;
    timer.start();
    for (auto _ : state) {
        const TerminalList terminals = scanner.scanTerminals();
        found = terminals.size();
        benchmark::DoNotOptimize(terminals.constData());
    }
    if (found != root.expected())
        state.SkipWithError("the scan found another number of terminals than laid out");
    const double elapsedUs = double(timer.nsecsElapsed()) / 1e3;
    state.counters["per data folder [us]"] = elapsedUs / double(state.iterations() * dataFolders);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    for (const int dataFolders : {10, 100, 1000}) {
        benchmark::RegisterBenchmark(
            qPrintable(QStringLiteral("discovery: scanTerminals, %1 data folders").arg(dataFolders)), scanTerminals)
            ->Arg(dataFolders)
            ->Unit(benchmark::kMicrosecond)
            ->UseRealTime()
            ->MinTime(0.2);
    }
    return BenchSupport::runRegisteredBenchmarks(argc, argv);
}
