#include "client/connection/localservice.h"

#include "protocol/domain.h"
#include "protocol/modeladdress.h"
#include "client/connection/serviceaccess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTimer>
#include <QUrl>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/prctl.h>
#endif
#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

namespace {

const QByteArray kListeningLine = QByteArrayLiteral("tavrin-server listening on ");
// How long a service asked to end may take before it is killed.
constexpr std::chrono::milliseconds kEndBound{2000};

// The environment of the client, less the service's own settings: the managed service
// follows the choice in the window alone.
QProcessEnvironment serviceEnvironment(const ServiceBackend &backend)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"TAVRIN_BACKEND", "TAVRIN_LLM_BASE_URL", "TAVRIN_LLM_MODEL",
                             "TAVRIN_LLM_API_KEY"})
        environment.remove(QString::fromLatin1(name));
    backend.putInto(environment);
    return environment;
}

} // namespace

LocalService::LocalService(QObject *parent, const QString &program, const LocalServiceTimeouts &timeouts)
    : QObject(parent)
    , m_program(program)
    , m_timeouts(timeouts)
    , m_network(new QNetworkAccessManager(this))
    , m_startDeadline(new QTimer(this))
{
    m_startDeadline->setSingleShot(true);
    connect(m_startDeadline, &QTimer::timeout, this, [this] {
        stopOwned();
        settle(false, startFailure(tr("it did not say it was ready within %1 ms")
                                       .arg(m_timeouts.start.count())));
    });
}

// The service ends with the client, which is going anyway: killed, the one it owns and any
// still ending, once the event loop is over.
LocalService::~LocalService()
{
    for (QProcess *process : findChildren<QProcess *>()) {
        process->disconnect(this);
        process->kill();
        process->waitForFinished(1000);
    }
}

bool LocalService::canServe(const QString &baseUrl)
{
    const QUrl url(baseUrl);
    const QString host = url.host();
    return url.scheme() == QLatin1String("http")
        && (host == QLatin1String("localhost") || QHostAddress(host).isLoopback());
}

QString LocalService::bundledProgram()
{
#ifdef Q_OS_WIN
    return QCoreApplication::applicationDirPath() + QStringLiteral("/tavrin-server.exe");
#else
    return QCoreApplication::applicationDirPath() + QStringLiteral("/tavrin-server");
#endif
}

void LocalService::start(const QString &baseUrl, const ServiceBackend &backend, bool ownNeeded)
{
    QProcess *ending = stopOwned();
    m_startDeadline->stop();
    // Whatever the previous start was still waiting for no longer concerns anybody.
    for (QNetworkReply *reply : m_network->findChildren<QNetworkReply *>())
        reply->disconnect(this);
    m_baseUrl = baseUrl;
    m_backend = backend;
    m_ownNeeded = ownNeeded;
    m_anyPort = false;
    m_settled = false;
    m_lastLine.clear();
    m_output.clear();
    // The port is free again only once the service stopped has ended.
    disconnect(m_waitForEnd);
    if (ending)
        m_waitForEnd = connect(ending, &QProcess::finished, this, &LocalService::begin);
    else
        begin();
}

void LocalService::begin()
{
    if (!canServe(m_baseUrl)) {
        QTimer::singleShot(0, this, [this] { settle(true, {}); });
        return;
    }
    probe(false);
}

// Asks for the version check, which every TavrinAI service answers and nothing else would.
void LocalService::probe(bool afterLostRace)
{
    QNetworkReply *reply = postServiceRequest(*m_network, m_baseUrl + ServicePath::VersionCheck,
                                              versionCheckBody(), Protocol::wireName(Protocol::Language::English));
    QTimer::singleShot(m_timeouts.probe, reply, &QNetworkReply::abort);
    connect(reply, &QNetworkReply::finished, this, [this, reply, afterLostRace] {
        reply->deleteLater();
        Probe found = Probe::Stranger;
        if (reply->error() == QNetworkReply::ConnectionRefusedError) {
            found = Probe::Nothing;
        } else {
            const QJsonDocument answer = QJsonDocument::fromJson(reply->readAll());
            if (answer.object().contains(QLatin1String("need_update")))
                found = Probe::Service;
        }
        onProbed(found, afterLostRace);
    });
}

void LocalService::onProbed(Probe found, bool afterLostRace)
{
    if (found != Probe::Nothing && m_ownNeeded) {
        // The address is taken, but the trader's choice needs a service of the client's own.
        m_anyPort = true;
        launch();
    } else if (found == Probe::Service) {
        settle(true, {});
    } else if (afterLostRace) {
        settle(false, startFailure(m_lastLine));
    } else if (found == Probe::Nothing) {
        launch();
    } else {
        settle(false, tr("Another program answers at %1, and it is not a TavrinAI code generator, "
                         "so the built-in one cannot start there. Close that program, or choose "
                         "another address in Settings > Code generator…")
                          .arg(m_baseUrl));
    }
}

void LocalService::launch()
{
    if (!QFileInfo(m_program).isExecutable()) {
        settle(false, startFailure(tr("%1 is missing").arg(QDir::toNativeSeparators(m_program))));
        return;
    }
    const QUrl url(m_baseUrl);
    const QString host = url.host() == QLatin1String("localhost") || m_anyPort
        ? QStringLiteral("127.0.0.1")
        : url.host();
    m_process = new QProcess(this);
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    m_process->setProcessEnvironment(serviceEnvironment(m_backend));
#ifdef Q_OS_LINUX
    // A client that dies without stopping its service must not leave it behind.
    m_process->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
#endif
#ifdef Q_OS_WIN
    // The service is a console program; the trader must not see a console window for it.
    m_process->setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments *arguments) {
        arguments->flags |= CREATE_NO_WINDOW;
    });
#endif
    connect(m_process, &QProcess::readyReadStandardOutput, this, &LocalService::onOutput);
    connect(m_process, &QProcess::finished, this, &LocalService::onEnded);
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            m_lastLine = m_process->errorString();
            onEnded();
        }
    });
    m_listening = false;
    m_startDeadline->start(m_timeouts.start);
    m_process->start(m_program,
                     {QStringLiteral("--port"), QString::number(m_anyPort ? 0 : url.port(80)),
                      QStringLiteral("--address"), host},
                     QIODevice::ReadOnly);
}

void LocalService::onOutput()
{
    m_output += m_process->readAllStandardOutput();
    qsizetype end;
    while ((end = m_output.indexOf('\n')) >= 0) {
        const QByteArray line = m_output.left(end).trimmed();
        m_output.remove(0, end + 1);
        if (!m_listening && line.startsWith(kListeningLine)) {
            m_listening = true;
            m_startDeadline->stop();
            if (m_anyPort)
                m_baseUrl = QString::fromUtf8(line.mid(kListeningLine.size())).trimmed();
            settle(true, startedNotice());
        } else if (!line.isEmpty()) {
            // What the service said last is the likeliest reason when it ends.
            m_lastLine = QString::fromLocal8Bit(line);
        }
    }
}

void LocalService::onEnded()
{
    const bool wasListening = m_listening;
    if (m_lastLine.isEmpty() && m_process->exitStatus() == QProcess::NormalExit)
        m_lastLine = tr("it ended with code %1").arg(m_process->exitCode());
    else if (m_lastLine.isEmpty())
        m_lastLine = tr("it crashed");
    m_process->disconnect(this);
    m_process->deleteLater();
    m_process = nullptr;
    m_listening = false;
    m_startDeadline->stop();
    if (wasListening) {
        Q_EMIT stopped(tr("The built-in code generator at %1 stopped: %2. Restart TavrinAI to "
                         "start it again.")
                           .arg(m_baseUrl, m_lastLine));
    } else if (!m_settled && m_anyPort) {
        settle(false, startFailure(m_lastLine));
    } else if (!m_settled) {
        // Another client may have started its service on the port a moment earlier.
        probe(true);
    }
}

QProcess *LocalService::stopOwned()
{
    QProcess *process = std::exchange(m_process, nullptr);
    if (!process)
        return nullptr;
    m_listening = false;
    process->disconnect(this);
    connect(process, &QProcess::finished, process, &QObject::deleteLater);
    process->terminate();
    QTimer::singleShot(kEndBound, process, &QProcess::kill);
    return process;
}

void LocalService::settle(bool ok, const QString &text)
{
    if (m_settled)
        return;
    m_settled = true;
    if (ok)
        Q_EMIT ready(text);
    else
        Q_EMIT failed(text);
}

QString LocalService::startedNotice() const
{
    if (m_backend.modelBaseUrl.isEmpty()) {
        return tr("The built-in code generator was started at %1. It writes programs from its "
                  "offline templates; Settings > Code generator… chooses a model instead.")
            .arg(m_baseUrl);
    }
    const QString modelServer = ModelAddress::shown(QUrl::fromUserInput(m_backend.modelBaseUrl));
    if (m_backend.model.isEmpty()) {
        return tr("The built-in code generator was started at %1. It asks the first model that %2 "
                  "lists.")
            .arg(m_baseUrl, modelServer);
    }
    return tr("The built-in code generator was started at %1. It asks the model %2 at %3.")
        .arg(m_baseUrl, m_backend.model, modelServer);
}

QString LocalService::startFailure(const QString &reason) const
{
    QString why = reason;
    while (why.endsWith(QLatin1Char('.')))
        why.chop(1);
    return tr("The built-in code generator could not be started at %1: %2.").arg(m_baseUrl, why);
}
