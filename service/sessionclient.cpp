#include "service/sessionclient.h"

#include "protocol/version.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>

#include <memory>

namespace {

bool isEventStream(const QNetworkReply *reply)
{
    return reply->header(QNetworkRequest::ContentTypeHeader).toString().startsWith(QLatin1String("text/event-stream"));
}

} // namespace

SessionClient::SessionClient(const ServiceTimeouts &timeouts, QObject *parent)
    : ChatTransport(parent)
    , m_timeouts(timeouts)
    , m_network(new QNetworkAccessManager(this))
{
    m_network->setTransferTimeout(int(m_timeouts.transfer.count()));
}

// --- The version check -------------------------------------------------------------------

void SessionClient::check(const QString &baseUrl)
{
    leave(false);
    m_baseUrl = baseUrl;
    // On the chats' own connection, with the check's shorter time-out.
    QNetworkRequest request = makeServiceRequest(m_baseUrl + ServicePath::VersionCheck, m_language);
    request.setTransferTimeout(int(m_timeouts.versionCheck.count()));
    QNetworkReply *reply = m_network->post(request, serviceRequestBody(versionCheckBody()));
    m_versionCheck = reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply] { onVersionChecked(reply); });
}

void SessionClient::leave(bool closing)
{
    drop();
    if (QNetworkReply *check = m_versionCheck) {
        check->disconnect(this);
        check->abort();
        check->deleteLater();
    }
    const QStringList opened = std::exchange(m_opened, {});
    if (closing && opened.isEmpty())
        QTimer::singleShot(0, this, &ChatTransport::left);
    // Each DELETE is bounded: left() follows the last to finish.
    const auto waiting = std::make_shared<qsizetype>(opened.size());
    for (const QString &sessionId : opened) {
        QNetworkReply *ended = endSession(m_baseUrl, closing ? closingSessionBody(sessionId) : endSessionBody(sessionId, m_language),
                                          m_timeouts.closingWait);
        if (closing) {
            connect(ended, &QNetworkReply::finished, this, [this, waiting] {
                if (--*waiting == 0)
                    Q_EMIT left();
            });
        }
    }
    // A new serial: the session asked for last, answered only now, is ended where it was opened.
    m_chat = {m_chat.platform, m_chat.type, m_chat.serial + 1, false};
    m_sessionId.clear();
    m_failed = false;
    m_live = false;
}

void SessionClient::onVersionChecked(QNetworkReply *reply)
{
    reply->deleteLater();
    m_versionCheck.clear();
    if (reply->error() != QNetworkReply::NoError && std::exchange(m_mayAskForService, false)) {
        Q_EMIT serviceUnreachable();
        return;
    }
    // A check that cannot be made lets the client go on.
    if (reply->error() == QNetworkReply::NoError) {
        const VersionVerdict verdict = parseVersionVerdict(reply->readAll());
        m_features = verdict.features;
        if (verdict.needUpdate) {
            const QString text = !verdict.message.isEmpty()
                ? verdict.message
                : tr("Current version: %1<br>Minimum required: %2<br><br>Please download the latest version.")
                      .arg(QLatin1String(kClientVersion), verdict.minVersion);
            Q_EMIT versionRefused(tr("Version Too Low"), text);
            return;
        }
    }
    m_live = true;
    Q_EMIT live();
}

// --- Sessions ----------------------------------------------------------------------------

void SessionClient::open(Protocol::Platform platform, Protocol::ProgramType type, const ChatSeed &seed, Greeting greeting)
{
    const quint64 serial = m_chat.serial + 1;
    m_chat = {platform, type, serial, false};
    const QString codeType = Protocol::wireName(type);
    m_sessionId.clear();
    m_failed = false;
    QNetworkReply *reply = postServiceRequest(*m_network, m_baseUrl + ServicePath::NewChat,
                                              offers(ServiceFeature::History)
                                                  ? newChatBody(codeType, Protocol::wireName(platform), m_language, seed)
                                                  : newChatBody(codeType, Protocol::wireName(platform), m_language),
                                              m_language);
    connect(reply, &QNetworkReply::finished, this,
            [this, reply, serial, greeting, baseUrl = m_baseUrl] { onSessionOpened(reply, serial, baseUrl, greeting); });
}

void SessionClient::resume(Protocol::Platform platform, Protocol::ProgramType type, const QString &sessionId, bool used)
{
    drop();
    m_chat = {platform, type, m_chat.serial + 1, used};
    m_sessionId = sessionId;
    m_failed = sessionId.isEmpty();
}

QNetworkReply *SessionClient::endSession(const QString &baseUrl, const QJsonObject &body,
                                         std::chrono::milliseconds bound)
{
    QNetworkReply *ended = deleteServiceRequest(*m_network, baseUrl + ServicePath::Session, body, m_language);
    if (bound > std::chrono::milliseconds::zero())
        QTimer::singleShot(bound, ended, &QNetworkReply::abort);
    connect(ended, &QNetworkReply::finished, ended, &QObject::deleteLater);
    return ended;
}

void SessionClient::onSessionOpened(QNetworkReply *reply, quint64 serial, const QString &baseUrl, Greeting greeting)
{
    reply->deleteLater();
    const bool failed = reply->error() != QNetworkReply::NoError;
    const ServiceReply answer = failed ? ServiceReply{} : parseServiceReply(reply->readAll());
    const bool opened = answer.kind == ServiceReply::Kind::NewSession && answer.success && !answer.sessionId.isEmpty();
    if (serial != m_chat.serial) {
        // A chat the trader has left before it had a session: nobody can continue it there.
        if (opened)
            endSession(baseUrl, endSessionBody(answer.sessionId, m_language));
        return;
    }
    if (opened)
        m_opened.append(answer.sessionId);
    if (failed) {
        Q_EMIT sessionNotice(tr("Request failed: %1").arg(failureText(reply)));
    } else if (answer.kind != ServiceReply::Kind::NewSession) {
        // Not an answer to this request: nothing to show.
    } else if (!answer.success) {
        Q_EMIT sessionNotice(tr("Failed to create session: %1").arg(answer.message));
    } else {
        if (answer.hasSessionId)
            m_sessionId = answer.sessionId;
        if (greeting == Greeting::Shown)
            Q_EMIT sessionNotice(answer.message);
    }
    m_failed = m_sessionId.isEmpty();
    if (m_pending && !m_reply) {
        if (m_failed) {
            m_pending.reset();
            Q_EMIT requestHeldBack();
        } else {
            send();
        }
    }
}

// --- Requests ----------------------------------------------------------------------------

void SessionClient::post(const QString &text, const QStringList &compileErrors)
{
    drop();
    m_pending = Pending{text, offers(ServiceFeature::CompileErrors) ? compileErrors : QStringList()};
    if (!m_sessionId.isEmpty())
        send();
}

void SessionClient::send()
{
    const quint64 serial = m_chat.serial;
    const QString url = m_baseUrl + ServicePath::Chat;
    const QJsonObject body = !m_currentProgram.isEmpty() && offers(ServiceFeature::History)
        ? chatBody(m_sessionId, m_pending->text, m_language, m_pending->compileErrors, m_currentProgram)
        : m_pending->compileErrors.isEmpty()
        ? chatBody(m_sessionId, m_pending->text, m_language)
        : chatBody(m_sessionId, m_pending->text, m_language, m_pending->compileErrors);
    QNetworkReply *reply = offers(ServiceFeature::Stream) ? postStreamingChatRequest(*m_network, url, body, m_language)
                                                          : postServiceRequest(*m_network, url, body, m_language);
    m_reply = reply;
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] { onStreamData(reply); });
    connect(reply, &QNetworkReply::finished, this, [this, reply, serial] { onChatAnswered(reply, serial); });
}

void SessionClient::stop()
{
    if (!m_reply)
        return;
    // The service frees the model at once; closing the connection alone would do it later.
    if (offers(ServiceFeature::Cancel)) {
        QNetworkReply *cancel = postServiceRequest(*m_network, m_baseUrl + ServicePath::Cancel,
                                                   cancelBody(m_sessionId, m_language), m_language);
        connect(cancel, &QNetworkReply::finished, cancel, &QObject::deleteLater);
    }
    m_stopping = true;
    m_reply->abort();
}

void SessionClient::drop()
{
    if (QNetworkReply *reply = m_reply) {
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    m_reply.clear();
    m_pending.reset();
    m_stopping = false;
    m_events = {};
    m_stream = {};
    m_done.reset();
}

QString SessionClient::failureText(const QNetworkReply *reply) const
{
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status != 0) {
        return tr("The code generator at %1 answered with an error: %2 %3")
            .arg(m_baseUrl)
            .arg(status)
            .arg(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
    }
    switch (reply->error()) {
    case QNetworkReply::ConnectionRefusedError:
        return tr("Cannot reach the code generator at %1: connection refused").arg(m_baseUrl);
    case QNetworkReply::HostNotFoundError:
        return tr("Cannot reach the code generator at %1: host not found").arg(m_baseUrl);
    case QNetworkReply::OperationCanceledError: {
        // Only the transfer time-out cancels a reply that nobody stopped.
        const qint64 seconds = m_timeouts.transfer.count() / 1000;
        return seconds >= 120 && seconds % 60 == 0
            ? tr("The code generator did not answer within %1 minutes").arg(seconds / 60)
            : tr("The code generator did not answer within %1 seconds").arg(seconds);
    }
    default:
        return tr("Cannot reach the code generator at %1: %2").arg(m_baseUrl, reply->errorString());
    }
}

// A streamed answer is read as it comes; a plain one (or a refusal) only once finished.
void SessionClient::onStreamData(QNetworkReply *reply)
{
    if (m_reply != reply || !isEventStream(reply))
        return;
    for (const ServerSentEvent &event : m_events.feed(reply->readAll())) {
        const ChatStreamEvent streamed = parseChatStreamEvent(event);
        switch (streamed.kind) {
        case ChatStreamEvent::Kind::Status:
            m_stream.phase = streamed.phase;
            m_stream.position = streamed.position;
            // A repair writes the program anew.
            if (streamed.phase == ChatStreamEvent::Phase::Repairing)
                m_stream.written.clear();
            break;
        case ChatStreamEvent::Kind::Delta:
            if (m_stream.written.isEmpty())
                m_stream.writing.start();
            m_stream.written += streamed.text;
            break;
        case ChatStreamEvent::Kind::Done:
            m_done = streamed.reply;
            m_stream.done = true;
            break;
        case ChatStreamEvent::Kind::Other:
            break;
        }
    }
    Q_EMIT streamed();
}

void SessionClient::onChatAnswered(QNetworkReply *reply, quint64 serial)
{
    reply->deleteLater();
    if (serial != m_chat.serial || m_reply != reply)
        return;
    const bool stopping = m_stopping;
    const std::optional<ServiceReply> done = m_done;
    const QString failure = reply->error() != QNetworkReply::NoError ? failureText(reply) : QString();
    const QByteArray body = failure.isEmpty() ? reply->readAll() : QByteArray();
    const bool streamed = isEventStream(reply);
    // The request is over; whoever hears of it may send the next one.
    m_reply.clear();
    drop();
    if (!failure.isEmpty()) {
        if (stopping)
            Q_EMIT requestStopped();
        else
            Q_EMIT requestFailed(tr("Request failed: %1").arg(failure));
    } else if (streamed && !done) {
        Q_EMIT requestFailed(tr("Request failed: %1").arg(
            tr("the connection to the code generator at %1 ended before its answer was complete").arg(m_baseUrl)));
    } else {
        Q_EMIT answered(streamed ? *done : parseServiceReply(body));
    }
}
