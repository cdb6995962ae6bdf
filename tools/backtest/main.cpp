// tavrin-backtest: one test of an Expert Advisor in a terminal's Strategy Tester, run as the
// client runs it; prints the report's figures as JSON with the report's path and the
// journal's error lines on one line, or, exit code 2, why there are none.

#include "platform/backtestrun.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTimer>

#include <cstdio>

namespace {

struct Options final
{
    BacktestRun::Settings settings;
    int timeoutMs = BacktestRun::TimeoutMs;
};

void fail(const QString &reason)
{
    std::fprintf(stderr, "tavrin-backtest: %s\n", qUtf8Printable(reason));
}

std::optional<Options> optionsFrom(const QCommandLineParser &parser)
{
    Options options;
    BacktestRun::Settings &settings = options.settings;
    const auto platform = Protocol::platformNamed(parser.value(QStringLiteral("platform")));
    if (!platform) {
        fail(QStringLiteral("--platform must be MT4 or MT5"));
        return std::nullopt;
    }
    settings.platform = *platform;
    for (const char *required : {"install", "data", "expert", "symbol", "period", "from", "to"}) {
        if (parser.value(QLatin1String(required)).isEmpty()) {
            fail(QStringLiteral("--%1 is needed").arg(QLatin1String(required)));
            return std::nullopt;
        }
    }
    settings.installFolder = parser.value(QStringLiteral("install"));
    settings.dataFolder = parser.value(QStringLiteral("data"));
    settings.expert = parser.value(QStringLiteral("expert"));
    settings.symbol = parser.value(QStringLiteral("symbol"));
    settings.period = parser.value(QStringLiteral("period")).toUpper();
    settings.from = QDate::fromString(parser.value(QStringLiteral("from")), QStringLiteral("yyyy.MM.dd"));
    settings.to = QDate::fromString(parser.value(QStringLiteral("to")), QStringLiteral("yyyy.MM.dd"));
    if (!settings.from.isValid() || !settings.to.isValid() || settings.to < settings.from) {
        fail(QStringLiteral("--from and --to must be dates YYYY.MM.DD, the first not after the second"));
        return std::nullopt;
    }
    bool ok = true;
    if (parser.isSet(QStringLiteral("deposit"))) {
        settings.deposit = parser.value(QStringLiteral("deposit")).toDouble(&ok);
        if (!ok || *settings.deposit <= 0) {
            fail(QStringLiteral("--deposit must be a positive amount"));
            return std::nullopt;
        }
    }
    if (parser.isSet(QStringLiteral("model"))) {
        settings.model = parser.value(QStringLiteral("model")).toInt(&ok);
        if (!ok || settings.model < 0 || settings.model > 4) {
            fail(QStringLiteral("--model must be 0 to 4"));
            return std::nullopt;
        }
    }
    if (parser.isSet(QStringLiteral("timeout"))) {
        const int seconds = parser.value(QStringLiteral("timeout")).toInt(&ok);
        if (!ok || seconds <= 0) {
            fail(QStringLiteral("--timeout must be a positive number of seconds"));
            return std::nullopt;
        }
        options.timeoutMs = seconds * 1000;
    }
    return options;
}

QString refusalText(const BacktestRun::Result &result)
{
    using Refusal = BacktestRun::Result::Refusal;
    using Problem = TerminalProcess::Outcome::StartProblem;
    switch (result.refusal) {
    case Refusal::NoTerminal:
        return QStringLiteral("the installation folder holds no terminal program");
    case Refusal::NoExpert:
        return QStringLiteral("no Expert Advisor named");
    case Refusal::AlreadyRunning:
        return QStringLiteral("the terminal is running; close it first");
    case Refusal::CannotWriteFiles:
        return QStringLiteral("cannot write the start-up file or the report's folder in the data folder");
    case Refusal::NotStarted:
        switch (result.process.problem) {
        case Problem::WineMissing:
            return QStringLiteral("the terminal needs Wine, but \"%1\" was not found").arg(result.process.wineRequested);
        case Problem::Wine32Missing:
            return QStringLiteral("the terminal is a 32-bit Windows program and this Wine runs only 64-bit ones");
        case Problem::UnpassableCharacter:
            return QStringLiteral("\"%1\" holds %2, which cannot be passed through Wine")
                .arg(result.process.unpassableText, result.process.unpassableCharacter);
        case Problem::None:
        case Problem::NoProgram:
        case Problem::StartFailed:
            break;
        }
        return QStringLiteral("the terminal could not be started");
    case Refusal::None:
        break;
    }
    return {};
}

QJsonArray journalLines(const BacktestRun::Result &result)
{
    QJsonArray lines;
    for (const BacktestRun::JournalError &error : result.journal)
        lines.append(error.text);
    return lines;
}

// The exit code; the JSON or the reason printed.
int report(const BacktestRun::Result &result, int timeoutMs)
{
    using Ending = TerminalProcess::Outcome::Ending;
    if (result.refusal != BacktestRun::Result::Refusal::None) {
        fail(refusalText(result));
        return 2;
    }
    if (!result.reportWritten) {
        QStringList why;
        if (result.process.ending == Ending::TimedOut)
            why << QStringLiteral("the test did not end within %1 seconds and was stopped").arg(timeoutMs / 1000);
        for (const BacktestRun::JournalError &error : result.journal)
            why << error.text;
        if (why.isEmpty())
            why << (result.journalWritten ? QStringLiteral("the tester wrote no report")
                                          : QStringLiteral("nothing came from the tester"));
        fail(why.join(QStringLiteral("; ")));
        return 2;
    }
    if (!result.report) {
        fail(QStringLiteral("%1: %2").arg(result.reportPath, result.reportProblem));
        return 2;
    }
    QJsonObject json = testerReportJson(*result.report);
    json.insert(QStringLiteral("report"), result.reportPath);
    json.insert(QStringLiteral("log"), journalLines(result));
    const QByteArray text = QJsonDocument(json).toJson(QJsonDocument::Compact);
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    std::fputc('\n', stdout);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tavrin-backtest"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Tests an Expert Advisor in a terminal's Strategy Tester and prints the report as JSON."));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("platform"), QStringLiteral("MT4 or MT5."), QStringLiteral("PLATFORM")},
        {QStringLiteral("install"), QStringLiteral("The terminal's installation folder."), QStringLiteral("DIR")},
        {QStringLiteral("data"), QStringLiteral("The terminal's data folder."), QStringLiteral("DIR")},
        {QStringLiteral("expert"), QStringLiteral("The Expert Advisor, below MQL4/MQL5\\Experts."),
         QStringLiteral("NAME")},
        {QStringLiteral("symbol"), QStringLiteral("The symbol to test on."), QStringLiteral("SYMBOL")},
        {QStringLiteral("period"), QStringLiteral("The chart period, M1 ... MN1."), QStringLiteral("PERIOD")},
        {QStringLiteral("from"), QStringLiteral("The first day, YYYY.MM.DD."), QStringLiteral("DATE")},
        {QStringLiteral("to"), QStringLiteral("The last day, YYYY.MM.DD."), QStringLiteral("DATE")},
        {QStringLiteral("deposit"), QStringLiteral("The initial deposit."), QStringLiteral("N")},
        {QStringLiteral("model"), QStringLiteral("The tick model, as the tester numbers it."), QStringLiteral("N")},
        {QStringLiteral("timeout"), QStringLiteral("Seconds before the test is stopped (1800)."),
         QStringLiteral("SECONDS")},
    });
    parser.process(app);
    const std::optional<Options> options = optionsFrom(parser);
    if (!options)
        return 2;

    BacktestRun::Run run;
    QObject::connect(&run, &BacktestRun::Run::finished, &app, [&](const BacktestRun::Result &result) {
        QCoreApplication::exit(report(result, options->timeoutMs));
    });
    QTimer::singleShot(0, &run, [&] { run.start(options->settings, options->timeoutMs); });
    return QCoreApplication::exec();
}
