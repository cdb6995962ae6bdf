// Time from QProcess::start to the first POST /api/new reaching a loopback service, for the
// real client and for a bare Qt Widgets program that builds the same form and makes the same
// two requests. The client starts with a trader's full archive of kept chats.

#include "benchsupport.h"
#include "loopbackservice.h"
#include "storedchats.h"

#include "client/connection/serviceaccess.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <optional>

namespace {

constexpr int kRunBoundMs = 30000;

struct Program final
{
    QString label;
    QString path;
    QStringList arguments;
    QString stderrPath;
    std::vector<double> timesMs;
};

// A copy of the executable in a folder of its own with a config.json naming the service:
// both programs read the address beside their executable.
std::optional<QString> installCopy(const QString &executable, const QString &folder,
                                   const QString &baseUrl)
{
    if (!QDir().mkpath(folder))
        return std::nullopt;
    const QString copy = folder + QLatin1Char('/') + QFileInfo(executable).fileName();
    if (!QFile::copy(executable, copy))
        return std::nullopt;
    QFile config(folder + QStringLiteral("/config.json"));
    if (!config.open(QIODevice::WriteOnly))
        return std::nullopt;
    config.write(QByteArrayLiteral("{\"api_base_url\": \"") + baseUrl.toUtf8() + QByteArrayLiteral("\"}\n"));
    return copy;
}

QProcessEnvironment isolatedEnvironment(const QString &root)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const char *const variables[][2] = {{"HOME", "home"},
                                        {"XDG_CONFIG_HOME", "config"},
                                        {"XDG_DATA_HOME", "data"},
                                        {"XDG_CACHE_HOME", "cache"},
                                        {"XDG_RUNTIME_DIR", "runtime"}};
    for (const auto &variable : variables) {
        const QString folder = root + QLatin1Char('/') + QLatin1String(variable[1]);
        QDir().mkpath(folder);
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        environment.insert(QLatin1String(variable[0]), folder);
    }
    return environment;
}

// Milliseconds from start to the served POST /api/new; nothing when the program died or
// the bound expired first.
std::optional<double> timeToNewChat(const Program &program, const QProcessEnvironment &environment,
                                    LoopbackService &service)
{
    QProcess process;
    process.setProgram(program.path);
    process.setArguments(program.arguments);
    process.setProcessEnvironment(environment);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(program.stderrPath, QIODevice::Append);

    std::optional<double> elapsedMs;
    QElapsedTimer timer;
    QEventLoop loop;
    QObject::connect(&service, &LoopbackService::requestServed, &loop,
                     [&](const QByteArray &method, const QByteArray &path) {
                         if (method == "POST" && path == ServicePath::NewChat.toLatin1()) {
                             elapsedMs = double(timer.nsecsElapsed()) / 1e6;
                             loop.quit();
                         }
                     });
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(kRunBoundMs, &loop, &QEventLoop::quit);

    timer.start();
    process.start();
    loop.exec();

    process.kill();
    process.waitForFinished(5000);
    service.dropConnections();
    return elapsedMs;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Measured runs of each program."),
                                        QStringLiteral("count"), QStringLiteral("7"));
    const QCommandLineOption clientOption(QStringLiteral("client"), QStringLiteral("The client executable."),
                                          QStringLiteral("path"), QStringLiteral(BREVAN_CLIENT_PATH));
    const QCommandLineOption baselineOption(QStringLiteral("baseline"), QStringLiteral("The baseline executable."),
                                            QStringLiteral("path"), QStringLiteral(BREVAN_BASELINE_PATH));
    parser.addOptions({runsOption, clientOption, baselineOption});
    parser.process(app);
    const int runs = qMax(1, parser.value(runsOption).toInt());

    LoopbackService service;
    if (!service.listen()) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1\n");
        return 1;
    }
    QTemporaryDir root;
    if (!root.isValid()) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return 1;
    }
    const QProcessEnvironment environment = isolatedEnvironment(root.path());
    // Where the client's QStandardPaths::AppDataLocation is in that environment.
    if (!StoredChatsFixture::fill(root.filePath(QStringLiteral("data/TavrinAI/TavrinAI/chats")))) {
        std::fprintf(stderr, "cannot write the kept chats\n");
        return 1;
    }

    Program client{QStringLiteral("client"), {}, {}, root.filePath(QStringLiteral("client.log")), {}};
    Program baseline{QStringLiteral("baseline"), {}, {}, root.filePath(QStringLiteral("baseline.log")), {}};
    const auto clientCopy = installCopy(parser.value(clientOption), root.filePath(QStringLiteral("client")),
                                        service.baseUrl());
    const auto baselineCopy = installCopy(parser.value(baselineOption), root.filePath(QStringLiteral("baseline")),
                                          service.baseUrl());
    if (!clientCopy || !baselineCopy) {
        std::fprintf(stderr, "cannot copy the executables into %s\n", qPrintable(root.path()));
        return 1;
    }
    client.path = *clientCopy;
    baseline.path = *baselineCopy;

    // One unmeasured start each fills the font and settings caches of the fresh home, then
    // the programs take turns, so that a busy moment of the machine hits both alike.
    bool ok = true;
    for (int run = -1; run < runs && ok; ++run) {
        for (Program *program : {&client, &baseline}) {
            const std::optional<double> elapsedMs = timeToNewChat(*program, environment, service);
            if (!elapsedMs) {
                std::fprintf(stderr, "%s never sent POST %s; its output:\n", qPrintable(program->label),
                             qPrintable(ServicePath::NewChat));
                QFile log(program->stderrPath);
                if (log.open(QIODevice::ReadOnly))
                    std::fprintf(stderr, "%s\n", log.readAll().constData());
                ok = false;
                break;
            }
            if (run >= 0)
                program->timesMs.push_back(*elapsedMs);
        }
    }
    if (!ok)
        return 1;

    const QString area = QStringLiteral("startup");
    for (const Program *program : {&client, &baseline}) {
        BenchSupport::printRow(area, QStringLiteral("%1: start to POST /api/new, median of %2").arg(program->label).arg(runs),
                               BenchSupport::median(program->timesMs), QStringLiteral("ms"));
        const auto [low, high] = std::minmax_element(program->timesMs.begin(), program->timesMs.end());
        BenchSupport::printRow(area, QStringLiteral("  fastest"), *low, QStringLiteral("ms"));
        BenchSupport::printRow(area, QStringLiteral("  slowest"), *high, QStringLiteral("ms"));
    }
    const double clientMedian = BenchSupport::median(client.timesMs);
    const double baselineMedian = BenchSupport::median(baseline.timesMs);
    std::printf("startup ratio: %.2f x\n", baselineMedian > 0 ? clientMedian / baselineMedian : 0.0);
    return 0;
}
