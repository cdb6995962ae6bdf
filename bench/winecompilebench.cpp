// One compile of a small Expert Advisor: the native stand-in compiler run directly, and the
// Windows stand-in run through Wine, cold (first run in a new prefix, no wineserver yet) and
// warm (the prefix's wineserver still up).

#include "benchsupport.h"

#include "platform/compilerrun.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kRuns = 7;

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly)
           && file.write(content) == content.size();
}

// An install folder holding compiler under name, and a source beside it; milliseconds of one
// compile that built cleanly, -1 when it did not.
double compileOnce(const QString &install, const QString &sources)
{
    QElapsedTimer timer;
    timer.start();
    CompilerRun::Outcome outcome;
    CompilerRun::Job job;
    QEventLoop compiled;
    QObject::connect(&job, &CompilerRun::Job::finished, &compiled, [&](const CompilerRun::Outcome &ended) {
        outcome = ended;
        compiled.quit();
    });
    job.start(install, sources, QStringLiteral("Bench EA.mq5"));
    compiled.exec();
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    return outcome.log.contains(QStringLiteral("Result: 0 errors")) ? ms : -1;
}

bool layOut(const QString &install, const QString &compiler, const QString &name, const QString &sources)
{
    return QDir().mkpath(install) && QFile::copy(compiler, install + QLatin1Char('/') + name)
           && writeFile(sources + QStringLiteral("/Bench EA.mq5"), "int OnInit() { return 0; }\nvoid OnTick() {}\n");
}

int runWine(const QString &prefix, const QStringList &arguments)
{
    QProcess wine;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("WINEPREFIX"), prefix);
    environment.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
    environment.insert(QStringLiteral("WINEDLLOVERRIDES"), QStringLiteral("mscoree,mshtml="));
    environment.remove(QStringLiteral("DISPLAY"));
    wine.setProcessEnvironment(environment);
    wine.start(arguments.first(), arguments.mid(1));
    return wine.waitForFinished(-1) ? wine.exitCode() : -1;
}

double medianOf(const QString &install, const QString &sources)
{
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i)
        times.push_back(compileOnce(install, sources));
    return *std::min_element(times.begin(), times.end()) < 0 ? -1 : BenchSupport::median(times);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    const QString native = folder.filePath(QStringLiteral("native"));
    if (!layOut(native, QStringLiteral(FAKE_METAEDITOR_PATH), QStringLiteral("metaeditor.exe"), native))
        return 1;
    BenchSupport::printRow(QStringLiteral("compile"), QStringLiteral("native stand-in, median of 7"),
                           medianOf(native, native), QStringLiteral("ms"));

    const QString prefix = folder.filePath(QStringLiteral("prefix"));
    const QString install = prefix + QStringLiteral("/drive_c/Program Files/MetaTrader 5");
    if (runWine(prefix, {QStringLiteral("wineboot"), QStringLiteral("--init")}) != 0
        || runWine(prefix, {QStringLiteral("wineserver"), QStringLiteral("-k")}) < 0
        || !layOut(install, QStringLiteral(FAKE_METAEDITOR_WINDOWS_PATH), QStringLiteral("MetaEditor64.exe"), install)) {
        std::fputs("no Wine or no Windows stand-in compiler: the Wine rows are left out\n", stderr);
        return 0;
    }
    runWine(prefix, {QStringLiteral("wineserver"), QStringLiteral("-w")});
    BenchSupport::printRow(QStringLiteral("compile"), QStringLiteral("through Wine, cold (new prefix)"),
                           compileOnce(install, install), QStringLiteral("ms"));
    BenchSupport::printRow(QStringLiteral("compile"), QStringLiteral("through Wine, warm, median of 7"),
                           medianOf(install, install), QStringLiteral("ms"));
    runWine(prefix, {QStringLiteral("wineserver"), QStringLiteral("-k")});
    return 0;
}
