// The code-generation service the client talks to over HTTP/JSON. By default it writes
// programs from templates, so that it works offline on any machine; with --backend openai a
// language model behind any OpenAI-compatible server writes them.

#include "apirequest.h"
#include "logline.h"
#include "memorysessionstore.h"
#include "modelsettings.h"
#include "modelwriter.h"
#include "stopsignals.h"
#include "tavrinserver.h"
#include "templatewriter.h"
#ifdef TAVRIN_WITH_REDIS
#include "redissessionstore.h"
#endif

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHostAddress>
#include <QTextStream>
#include <QVersionNumber>

#include <limits>
#include <optional>

namespace {

int fail(const QString &message)
{
    QTextStream(stderr) << "tavrin-server: " << message << Qt::endl;
    return 1;
}

// Null unless the whole text is a version number.
QVersionNumber wholeVersion(const QString &text)
{
    qsizetype suffix = 0;
    const QVersionNumber version = QVersionNumber::fromString(text, &suffix);
    return suffix == text.size() ? version : QVersionNumber();
}

// The option's value, else the environment variable's.
QString valueOf(const QCommandLineParser &parser, const QCommandLineOption &option,
                const char *variable)
{
    return parser.isSet(option) ? parser.value(option)
                                : qEnvironmentVariable(variable, parser.value(option));
}

// Milliseconds from positive seconds, fractions allowed (the tests use short ones).
std::optional<qint64> milliseconds(const QString &seconds)
{
    bool valid = false;
    const double value = seconds.toDouble(&valid);
    if (!valid || value <= 0 || value > 1e9)
        return std::nullopt;
    return qint64(value * 1000);
}

QCommandLineOption option(const QString &name, const QString &description, const QString &valueName,
                          const QString &defaultValue = {})
{
    return QCommandLineOption(name, description, valueName, defaultValue);
}

QCommandLineOption hidden(QCommandLineOption option)
{
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    return option;
}

// The store the option names, or null with the reason in *error.
SessionStore *sessionStore(const QString &name, qint64 idleLimitMs, int capacity,
                           int replyTimeoutMs, QString *error)
{
    if (name == QLatin1String("memory"))
        return new MemorySessionStore(idleLimitMs, capacity);
#ifdef TAVRIN_WITH_REDIS
    if (const std::optional<RedisAddress> address = RedisAddress::parse(name)) {
        auto *store = new RedisSessionStore(*address, idleLimitMs, capacity);
        store->setReplyTimeoutMs(replyTimeoutMs);
        return store;
    }
    *error = QStringLiteral("--session-store takes \"memory\" or redis://HOST:PORT[/DB]");
#else
    Q_UNUSED(replyTimeoutMs);
    *error = QStringLiteral("--session-store: this build keeps chats in memory only (it was "
                            "built without hiredis)");
#endif
    return nullptr;
}

} // namespace

int main(int argc, char *argv[])
{
    // The log is the service's stderr wherever it runs. Qt for Windows would otherwise send it
    // to the debugger whenever there is no console, as when the client starts the service.
    qputenv("QT_FORCE_STDERR_LOGGING", "1");
    LogLine::escapeAllMessages();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tavrin-server"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "The TavrinAI code-generation service. The model server's API key is read from the "
        "environment variable TAVRIN_LLM_API_KEY only."));
    parser.addHelpOption();
    const QCommandLineOption portOption =
        option(QStringLiteral("port"), QStringLiteral("Port to listen on; 0 picks a free one."),
               QStringLiteral("N"), QStringLiteral("8080"));
    const QCommandLineOption addressOption =
        option(QStringLiteral("address"), QStringLiteral("Address to listen on."),
               QStringLiteral("A"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption minVersionOption = option(
        QStringLiteral("min-version"), QStringLiteral("Clients older than V are told to update."),
        QStringLiteral("V"), QStringLiteral("1.0.0"));
    const QCommandLineOption updateMessageOption =
        option(QStringLiteral("update-message"),
               QStringLiteral("What clients that must update are shown (may be rich text); by "
                              "default their own text."),
               QStringLiteral("TEXT"));
    const QCommandLineOption backendOption = option(
        QStringLiteral("backend"),
        QStringLiteral("\"templates\" (offline) or \"openai\" (a model behind an OpenAI-compatible "
                       "server); environment TAVRIN_BACKEND."),
        QStringLiteral("B"), QStringLiteral("templates"));
    const QCommandLineOption baseUrlOption = option(
        QStringLiteral("llm-base-url"),
        QStringLiteral(
            "The model server, like http://127.0.0.1:11434; environment TAVRIN_LLM_BASE_URL."),
        QStringLiteral("URL"));
    const QCommandLineOption modelOption = option(
        QStringLiteral("llm-model"),
        QStringLiteral("The model's name as the server knows it; by default the first it lists. "
                       "Environment TAVRIN_LLM_MODEL."),
        QStringLiteral("NAME"));
    const QCommandLineOption timeoutOption = option(
        QStringLiteral("llm-timeout"),
        QStringLiteral("Longest silence of the model server within one answer."),
        QStringLiteral("SECONDS"), QStringLiteral("240"));
    const QCommandLineOption deadlineOption = option(
        QStringLiteral("llm-deadline"),
        QStringLiteral("Longest a chat may take in all, its queue and repair round included."),
        QStringLiteral("SECONDS"), QStringLiteral("900"));
    const QCommandLineOption concurrencyOption =
        option(QStringLiteral("llm-concurrency"),
               QStringLiteral("Requests to the model server at once; more wait in a queue."),
               QStringLiteral("N"), QStringLiteral("4"));
    const QCommandLineOption idleOption =
        hidden(option(QStringLiteral("session-idle-limit"),
                      QStringLiteral("Seconds after which an idle chat is forgotten."),
                      QStringLiteral("SECONDS"), QStringLiteral("7200")));
    const QCommandLineOption capOption =
        hidden(option(QStringLiteral("session-cap"), QStringLiteral("Most chats kept at once."),
                      QStringLiteral("N"), QStringLiteral("10000")));
    const QCommandLineOption leaseOption = hidden(
        option(QStringLiteral("lock-lease-ms"),
               QStringLiteral("How long a chat's lock lasts unless its instance renews it."),
               QStringLiteral("MS"), QString::number(SessionStore::defaultLeaseMs)));
    const QCommandLineOption storeTimeoutOption = hidden(
        option(QStringLiteral("store-timeout-ms"),
               QStringLiteral("How long Redis may keep a reply waiting before it counts as "
                              "unreachable."),
               QStringLiteral("MS"), QStringLiteral("2000")));
    const QCommandLineOption graceOption = hidden(
        option(QStringLiteral("stop-grace-ms"),
               QStringLiteral("How long a stop lets the chats in flight finish."),
               QStringLiteral("MS"), QStringLiteral("10000")));
    const QCommandLineOption headerTimeoutOption = hidden(
        option(QStringLiteral("header-timeout-ms"),
               QStringLiteral("How long a connection may take to send a request's header."),
               QStringLiteral("MS"), QString::number(ConnectionLimits().headerTimeoutMs)));
    const QCommandLineOption idleTimeoutOption = hidden(
        option(QStringLiteral("idle-timeout-ms"),
               QStringLiteral("How long a connection may stay idle."), QStringLiteral("MS"),
               QString::number(ConnectionLimits().idleTimeoutMs)));
    const QCommandLineOption connectionsOption =
        option(QStringLiteral("max-connections"),
               QStringLiteral("Most connections open at once; at the cap a new one takes the "
                              "place of an idle one, or is refused."),
               QStringLiteral("N"), QString::number(ConnectionLimits().maxConnections));
    const QCommandLineOption shareOption = hidden(
        option(QStringLiteral("max-connections-per-address"),
               QStringLiteral("Most connections one address may hold (trusted proxies aside); "
                              "by default half of --max-connections."),
               QStringLiteral("N"), QStringLiteral("0")));
    const QCommandLineOption storeOption = option(
        QStringLiteral("session-store"),
        QStringLiteral("Where chats are kept: \"memory\" (this process only) or "
                       "redis://HOST:PORT[/DB], shared by every instance that names it; "
                       "environment TAVRIN_SESSION_STORE."),
        QStringLiteral("URL"), QStringLiteral("memory"));
    const QCommandLineOption proxyOption = option(
        QStringLiteral("trusted-proxy"),
        QStringLiteral("An address or subnet (10.0.0.0/8) whose X-Forwarded-For and X-Real-IP "
                       "headers name the client; repeat it for more. Environment "
                       "TAVRIN_TRUSTED_PROXY, separated by commas."),
        QStringLiteral("A"));
    parser.addOptions({portOption, addressOption, minVersionOption, updateMessageOption,
                       backendOption, baseUrlOption, modelOption, timeoutOption, deadlineOption,
                       concurrencyOption, storeOption, proxyOption,
                       idleOption, capOption, leaseOption, storeTimeoutOption, graceOption,
                       headerTimeoutOption, idleTimeoutOption, connectionsOption, shareOption});
    parser.process(app);

    bool portValid = false;
    const quint16 port = parser.value(portOption).toUShort(&portValid);
    if (!portValid)
        return fail(QStringLiteral("--port takes a number from 0 to 65535"));
    QHostAddress address;
    if (!address.setAddress(parser.value(addressOption)))
        return fail(QStringLiteral("--address takes an IP address, like 127.0.0.1"));
    const QVersionNumber minVersion = wholeVersion(parser.value(minVersionOption));
    if (minVersion.isNull())
        return fail(QStringLiteral("--min-version takes a version number, like 1.2.0"));
    const QString backend = valueOf(parser, backendOption, "TAVRIN_BACKEND");
    if (backend != QLatin1String("templates") && backend != QLatin1String("openai"))
        return fail(QStringLiteral("--backend takes \"templates\" or \"openai\""));
    const std::optional<qint64> idleLimit = milliseconds(parser.value(idleOption));
    bool capValid = false;
    const int cap = parser.value(capOption).toInt(&capValid);
    if (!idleLimit || !capValid || cap < 1)
        return fail(QStringLiteral("--session-idle-limit and --session-cap take positive numbers"));
    const qint64 leaseMs = parser.value(leaseOption).toLongLong();
    const int storeTimeoutMs = parser.value(storeTimeoutOption).toInt();
    if (leaseMs < 30 || storeTimeoutMs < 10)
        return fail(QStringLiteral("--lock-lease-ms and --store-timeout-ms take milliseconds"));
    const int graceMs = parser.value(graceOption).toInt();
    ConnectionLimits limits;
    limits.headerTimeoutMs = parser.value(headerTimeoutOption).toInt();
    limits.idleTimeoutMs = parser.value(idleTimeoutOption).toInt();
    limits.maxConnections = parser.value(connectionsOption).toInt();
    limits.maxPerAddress = parser.value(shareOption).toInt();
    if (graceMs < 1 || limits.headerTimeoutMs < 1 || limits.idleTimeoutMs < 1
        || limits.maxConnections < 1 || limits.maxPerAddress < 0)
        return fail(QStringLiteral("--max-connections, --stop-grace-ms and the time-outs take "
                                   "positive numbers"));

    QString problem;
    const QStringList proxies = parser.isSet(proxyOption)
        ? parser.values(proxyOption)
        : qEnvironmentVariable("TAVRIN_TRUSTED_PROXY").split(u',', Qt::SkipEmptyParts);
    const ApiRequest::Subnets trusted = ApiRequest::subnetsOf(proxies, &problem);
    if (!problem.isEmpty()) {
        return fail(QStringLiteral("--trusted-proxy takes an address or a subnet, not \"%1\"")
                        .arg(problem));
    }
    SessionStore *store = sessionStore(valueOf(parser, storeOption, "TAVRIN_SESSION_STORE"),
                                       *idleLimit, cap, storeTimeoutMs, &problem);
    if (!store)
        return fail(problem);
    store->setLeaseMs(leaseMs);

    CodeWriter *writer = nullptr;
    if (backend == QLatin1String("openai")) {
        ModelSettings settings;
        settings.serverRoot =
            ModelSettings::rootOf(valueOf(parser, baseUrlOption, "TAVRIN_LLM_BASE_URL"));
        if (settings.serverRoot.isEmpty())
            return fail(QStringLiteral("--backend openai needs --llm-base-url or "
                                       "TAVRIN_LLM_BASE_URL, like http://127.0.0.1:8080"));
        settings.model = valueOf(parser, modelOption, "TAVRIN_LLM_MODEL");
        settings.apiKey = qgetenv("TAVRIN_LLM_API_KEY");
        const std::optional<qint64> timeout = milliseconds(parser.value(timeoutOption));
        const std::optional<qint64> deadline = milliseconds(parser.value(deadlineOption));
        constexpr qint64 longest = std::numeric_limits<int>::max();
        if (!timeout || !deadline || *timeout > longest || *deadline > longest)
            return fail(QStringLiteral("--llm-timeout and --llm-deadline take a positive number "
                                       "of seconds"));
        settings.timeoutMs = int(*timeout);
        settings.deadlineMs = int(*deadline);
        bool concurrencyValid = false;
        settings.concurrency = parser.value(concurrencyOption).toInt(&concurrencyValid);
        if (!concurrencyValid || settings.concurrency < 1)
            return fail(QStringLiteral("--llm-concurrency takes a positive number"));
        auto *model = new ModelWriter(settings);
        model->checkServer([](const QString &line) { qInfo().noquote() << line; });
        writer = model;
    } else {
        writer = new TemplateWriter;
    }
    TavrinServer service(minVersion, parser.value(updateMessageOption), store, writer);
    service.trustProxies(trusted);
    QString errorString;
    if (!service.listen(address, port, &errorString, limits)) {
        return fail(QStringLiteral("cannot listen on %1 port %2: %3")
                        .arg(address.toString(), QString::number(port), errorString));
    }
    QTextStream(stdout) << "tavrin-server listening on " << service.url().toString() << Qt::endl;
    if (!address.isLoopback()) {
        qWarning().noquote() << "listening on" << address.toString()
                             << "and not only on this machine: anyone who can reach it can use it "
                                "and spends the model's quota";
    }
    StopSignals stopSignals;
    QObject::connect(&stopSignals, &StopSignals::stopAsked, &service, [&service, graceMs] {
        qInfo().noquote() << "stopping: chats in flight have" << graceMs << "ms to finish";
        service.stop(graceMs, [] { QCoreApplication::exit(0); });
    }, Qt::SingleShotConnection);
    return app.exec();
}
