#include "service/conversation.h"

#include "protocol/version.h"
#include "service/programdeployer.h"
#include "service/transcript.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>

namespace {

constexpr int kTickMs = 1000;
constexpr int kLiveRefreshMs = 150;
// Lines of a program being written that its bubble shows: the newest ones.
constexpr int kLiveLines = 8;

QString fixRequest(const QStringList &errors)
{
    return Conversation::tr("The program does not compile. Please fix these errors:") + QLatin1Char('\n')
        + errors.join(QLatin1Char('\n'));
}

} // namespace

Conversation::Conversation(QObject *parent, const ServiceTimeouts &timeouts, int compileTimeoutMs)
    : QObject(parent)
    , m_timeouts(timeouts)
    , m_network(new QNetworkAccessManager(this))
    , m_transcript(new Transcript(this))
    , m_deployer(new ProgramDeployer(m_transcript, compileTimeoutMs, this))
{
    connect(m_transcript, &Transcript::entryAdded, this, &Conversation::entryAdded);
    connect(m_transcript, &Transcript::entryChanged, this, &Conversation::entryChanged);
    connect(m_transcript, &Transcript::cleared, this, &Conversation::transcriptCleared);
    connect(m_deployer, &ProgramDeployer::newestCompiled, this, &Conversation::onNewestCompiled);
    m_network->setTransferTimeout(int(m_timeouts.transfer.count()));
    m_ticker.setInterval(kTickMs);
    connect(&m_ticker, &QTimer::timeout, this, &Conversation::tick);
    m_liveRefresh.setSingleShot(true);
    m_liveRefresh.setInterval(kLiveRefreshMs);
    connect(&m_liveRefresh, &QTimer::timeout, this, [this] {
        if (m_request)
            m_transcript->change(m_request->entry, waitingEntry());
    });
    m_indicatorLabel = tr("Indicator");
    m_eaLabel = tr("EA");
}

Conversation::~Conversation() = default;

Conversation::Request::Request() = default;

// --- The transcript ----------------------------------------------------------------------

int Conversation::notice(const QString &text)
{
    return m_transcript->add(text);
}

void Conversation::addNotice(const QString &text)
{
    notice(text);
}

QString Conversation::conversationText() const
{
    QList<ChatSessions::Said> said;
    for (const ChatEntry &entry : m_transcript->entries()) {
        QString text = entry.text;
        if (entry.kind == ChatEntry::Kind::Program)
            text += (text.isEmpty() ? QString() : QStringLiteral("\n\n")) + entry.code;
        said.append({entry.kind == ChatEntry::Kind::User ? tr("You") : tr("TavrinAI"), text});
    }
    return ChatSessions::conversationText(said);
}

QString Conversation::program(int number) const
{
    return m_deployer->program(number);
}

bool Conversation::isCompiling() const
{
    return m_deployer->isCompiling();
}

// --- The form ----------------------------------------------------------------------------

void Conversation::setFolders(const QString &platform, const QString &installFolder, const QString &dataFolder)
{
    m_deployer->setFolders(platform, installFolder, dataFolder);
}

void Conversation::setProgramName(const QString &name)
{
    m_programName = name;
    m_deployer->setProgramName(name);
}

void Conversation::setProgramLabels(const QString &indicator, const QString &ea)
{
    m_indicatorLabel = indicator;
    m_eaLabel = ea;
}

QString Conversation::programName(const QString &codeType) const
{
    return codeType == QLatin1String("indicator") ? m_indicatorLabel : m_eaLabel;
}

QString Conversation::programsName(const QString &codeType) const
{
    return codeType == QLatin1String("indicator") ? tr("indicators") : tr("EAs");
}

// Until its first Send a chat is for whatever the form shows, so that the first request
// always reaches a chat of the chosen platform and program type.
void Conversation::setChoice(const Choice &choice)
{
    m_choice = choice;
    if (m_live && ChatSessions::fit(m_session.chat, choice.platform, choice.codeType) == ChatSessions::FormFit::Reopen)
        restartChat();
}

Conversation::Choice Conversation::currentChoice() const
{
    return {m_session.chat.platform, m_session.chat.codeType};
}

// --- Start -------------------------------------------------------------------------------

void Conversation::start(const QString &baseUrl)
{
    // Another service (Settings) starts anew: what the old one was doing is left behind.
    leaveService(false);
    m_baseUrl = baseUrl;
    // On the chats' own connection, with the check's shorter time-out.
    QNetworkRequest request = makeServiceRequest(m_baseUrl + ServicePath::VersionCheck, m_language);
    request.setTransferTimeout(int(m_timeouts.versionCheck.count()));
    QNetworkReply *reply = m_network->post(request, serviceRequestBody(versionCheckBody()));
    m_versionCheck = reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply] { onVersionChecked(reply); });
}

// Nothing still on its way to the service left may act any more: a version check, a request,
// a session it opens too late. Its open chat is ended there, quietly and within the closing
// bound; the returned DELETE finishes when it is, null when there was no chat to end.
QNetworkReply *Conversation::leaveService(bool closing)
{
    abandonRequest();
    m_deployer->dropWaiting();
    if (QNetworkReply *check = m_versionCheck) {
        check->disconnect(this);
        check->abort();
        check->deleteLater();
    }
    QNetworkReply *ended = nullptr;
    if (!m_session.id.isEmpty()) {
        ended = endSession(m_baseUrl, closing ? closingSessionBody(m_session.id) : endSessionBody(m_session.id, m_language),
                           m_timeouts.closingWait);
    }
    // A new serial: the session asked for last, answered only now, is ended where it was opened.
    m_session = {ChatSession{{}, {}, m_session.chat.serial + 1, false}, {}, false};
    m_live = false;
    return ended;
}

void Conversation::onVersionChecked(QNetworkReply *reply)
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
    restartChat();
    Q_EMIT liveChanged(true);
}

// --- Sessions ----------------------------------------------------------------------------

bool Conversation::newChat()
{
    if (!m_live)
        return false;
    const bool keepRequest = std::exchange(m_refusedForChoice, false);
    abandonRequest();
    // Answers of the chat left behind are not saved into the new one's terminal.
    m_deployer->dropWaiting();
    restartChat();
    return keepRequest;
}

void Conversation::openSession(const Choice &choice, const QString &noticeText)
{
    if (!m_session.id.isEmpty())
        endSession(m_baseUrl, endSessionBody(m_session.id, m_language));
    const quint64 serial = m_session.chat.serial + 1;
    m_session = {};
    m_session.chat = {choice.platform, choice.codeType, serial, false};
    m_deployer->setChat(serial);
    QNetworkReply *reply = postServiceRequest(*m_network, m_baseUrl + ServicePath::NewChat,
                                              newChatBody(choice.codeType, choice.platform, m_language), m_language);
    connect(reply, &QNetworkReply::finished, this,
            [this, reply, serial, baseUrl = m_baseUrl] { onSessionOpened(reply, serial, baseUrl); });
    notice(noticeText.isEmpty() ? tr("Creating new %1 %2 chat...").arg(choice.platform, programName(choice.codeType))
                                : noticeText);
}

QNetworkReply *Conversation::endSession(const QString &baseUrl, const QJsonObject &body,
                                        std::chrono::milliseconds bound)
{
    QNetworkReply *ended = deleteServiceRequest(*m_network, baseUrl + ServicePath::Session, body, m_language);
    if (bound > std::chrono::milliseconds::zero())
        QTimer::singleShot(bound, ended, &QNetworkReply::abort);
    connect(ended, &QNetworkReply::finished, ended, &QObject::deleteLater);
    return ended;
}

void Conversation::restartChat()
{
    m_transcript->clear();
    openSession(m_choice);
}

void Conversation::onSessionOpened(QNetworkReply *reply, quint64 serial, const QString &baseUrl)
{
    reply->deleteLater();
    const bool failed = reply->error() != QNetworkReply::NoError;
    const ServiceReply answer = failed ? ServiceReply{} : parseServiceReply(reply->readAll());
    if (serial != m_session.chat.serial) {
        // A chat the trader has left: a session the service opened only now is ended at once.
        if (answer.kind == ServiceReply::Kind::NewSession && answer.success && !answer.sessionId.isEmpty())
            endSession(baseUrl, endSessionBody(answer.sessionId, m_language));
        return;
    }
    if (failed) {
        notice(tr("Request failed: %1").arg(failureText(reply)));
    } else if (answer.kind != ServiceReply::Kind::NewSession) {
        // Not an answer to this request: nothing to show.
    } else if (!answer.success) {
        notice(tr("Failed to create session: %1").arg(answer.message));
    } else {
        if (answer.hasSessionId)
            m_session.id = answer.sessionId;
        notice(answer.message);
    }
    m_session.failed = m_session.id.isEmpty();
    if (m_request && !m_request->reply) {
        if (m_session.failed)
            returnRequest({});
        else
            postRequest();
    }
}

void Conversation::close()
{
    if (QNetworkReply *ended = leaveService(true))
        connect(ended, &QNetworkReply::finished, this, &Conversation::closed);
    else
        QTimer::singleShot(0, this, &Conversation::closed);
}

// --- Requests ----------------------------------------------------------------------------

Conversation::SendOutcome Conversation::send(const QString &text)
{
    if (!m_live)
        return SendOutcome::Refused;
    const QString request = text.trimmed();
    if (request.isEmpty()) {
        notice(tr("Please enter your request!"));
        return SendOutcome::Refused;
    }
    if (m_programName.trimmed().isEmpty()) {
        notice(tr("Name cannot be empty!"));
        return SendOutcome::Refused;
    }
    if (m_request) {
        notice(tr("A request is already on its way: wait for its answer, or press Stop."));
        return SendOutcome::Refused;
    }
    switch (ChatSessions::fit(m_session.chat, m_choice.platform, m_choice.codeType)) {
    case ChatSessions::FormFit::Fits:
        break;
    case ChatSessions::FormFit::Reopen:
        restartChat();
        break;
    case ChatSessions::FormFit::Refuse:
        m_refusedForChoice = true;
        notice(tr("This chat writes %1 %2. Press New Chat to start a chat for %3 %4.")
                   .arg(m_session.chat.platform, programsName(m_session.chat.codeType), m_choice.platform,
                        programsName(m_choice.codeType)));
        return SendOutcome::Refused;
    }
    m_refusedForChoice = false;
    m_autoFix.reset();
    // The errors "Ask to fix these errors" suggested go with the request that still names them.
    const QStringList errors = std::exchange(m_suggestedErrors, {});
    dispatch(request, !errors.isEmpty() && request.contains(errors.constFirst()) ? errors : QStringList());
    return SendOutcome::Sent;
}

void Conversation::dispatch(const QString &request, const QStringList &compileErrors)
{
    m_session.chat.used = true;
    ChatEntry user;
    user.kind = ChatEntry::Kind::User;
    user.text = request;
    m_transcript->add(user);
    m_request.emplace();
    m_request->text = request;
    if (m_features.contains(ServiceFeature::CompileErrors))
        m_request->compileErrors = compileErrors;
    m_request->clock.start();
    m_request->entry = m_transcript->add(waitingEntry());
    m_ticker.start();
    Q_EMIT requestInFlightChanged(true);
    // Without an id yet, the request waits for the session; one that failed is opened again.
    if (!m_session.id.isEmpty())
        postRequest();
    else if (m_session.failed)
        openSession(currentChoice());
}

void Conversation::postRequest()
{
    const quint64 serial = m_session.chat.serial;
    const QString url = m_baseUrl + ServicePath::Chat;
    const QJsonObject body = m_request->compileErrors.isEmpty()
        ? chatBody(m_session.id, m_request->text, m_language)
        : chatBody(m_session.id, m_request->text, m_language, m_request->compileErrors);
    QNetworkReply *reply = m_features.contains(ServiceFeature::Stream)
        ? postStreamingChatRequest(*m_network, url, body, m_language)
        : postServiceRequest(*m_network, url, body, m_language);
    m_request->reply = reply;
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] { onStreamData(reply); });
    connect(reply, &QNetworkReply::finished, this, [this, reply, serial] { onChatAnswered(reply, serial); });
}

// A streamed answer shows where its time goes and the program growing; a plain one the clock.
ChatEntry Conversation::waitingEntry() const
{
    const QString clock = Transcript::clockText(m_request->clock.elapsed());
    if (!m_request->done && m_request->phase == ChatStreamEvent::Phase::Unknown && m_request->written.isEmpty())
        return Transcript::serviceEntry(tr("Generating code... %1").arg(clock), {{tr("Stop"), ChatLink::StopRequest}});
    ChatEntry entry = Transcript::serviceEntry(phaseText() + QLatin1Char(' ') + clock, {{tr("Stop"), ChatLink::StopRequest}});
    if (!m_request->written.isEmpty()) {
        const qint64 ms = std::max<qint64>(1, m_request->writing.elapsed());
        entry.text += QLatin1Char('\n')
            + tr("%1 characters, %2 per second").arg(m_request->written.size()).arg(m_request->written.size() * 1000 / ms);
        entry.kind = ChatEntry::Kind::Program;
        const QStringList lines = m_request->written.split(QLatin1Char('\n'));
        entry.code = lines.mid(std::max<qsizetype>(0, lines.size() - kLiveLines)).join(QLatin1Char('\n'));
    }
    return entry;
}

QString Conversation::phaseText() const
{
    switch (m_request->phase) {
    case ChatStreamEvent::Phase::Queued:
        return tr("Waiting for the model (number %1 in the queue)...").arg(m_request->position);
    case ChatStreamEvent::Phase::Checking:
        return tr("Checking the program...");
    case ChatStreamEvent::Phase::Repairing:
        return tr("Correcting the program...");
    case ChatStreamEvent::Phase::Writing:
    case ChatStreamEvent::Phase::Unknown:
        break;
    }
    return tr("Writing the program...");
}

void Conversation::tick()
{
    if (m_request)
        m_transcript->change(m_request->entry, waitingEntry());
    else
        m_ticker.stop();
}

// The waiting bubble keeps the time the request took, without its Stop.
void Conversation::finishRequest()
{
    const QString waited = tr("Generating code... %1").arg(Transcript::clockText(m_request->clock.elapsed()));
    m_transcript->change(m_request->entry, Transcript::serviceEntry(waited));
    m_request.reset();
    Q_EMIT requestInFlightChanged(false);
}

void Conversation::returnRequest(const QString &why)
{
    const QString text = m_request->text;
    finishRequest();
    if (!why.isEmpty())
        notice(why);
    Q_EMIT requestReturned(text);
}

// The chat is left: its request's answer would belong to nobody.
void Conversation::abandonRequest()
{
    if (!m_request)
        return;
    if (QNetworkReply *reply = m_request->reply) {
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    m_request.reset();
    Q_EMIT requestInFlightChanged(false);
}

void Conversation::stop()
{
    if (m_deployer->isCompiling()) {
        m_deployer->stopCompile();
    } else if (m_request && m_request->reply) {
        // The service frees the model at once; closing the connection alone would do it later.
        if (m_features.contains(ServiceFeature::Cancel)) {
            QNetworkReply *cancel = postServiceRequest(*m_network, m_baseUrl + ServicePath::Cancel,
                                                       cancelBody(m_session.id, m_language), m_language);
            connect(cancel, &QNetworkReply::finished, cancel, &QObject::deleteLater);
        }
        m_request->stopping = true;
        m_request->reply->abort();
    } else if (m_request) {
        returnRequest(tr("Stopped. Your request is back in the request field."));
    }
}

QString Conversation::failureText(const QNetworkReply *reply) const
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
void Conversation::onStreamData(QNetworkReply *reply)
{
    if (!m_request || m_request->reply != reply
        || !reply->header(QNetworkRequest::ContentTypeHeader).toString().startsWith(QLatin1String("text/event-stream")))
        return;
    for (const ServerSentEvent &event : m_request->events.feed(reply->readAll())) {
        const ChatStreamEvent streamed = parseChatStreamEvent(event);
        switch (streamed.kind) {
        case ChatStreamEvent::Kind::Status:
            m_request->phase = streamed.phase;
            m_request->position = streamed.position;
            // A repair writes the program anew.
            if (streamed.phase == ChatStreamEvent::Phase::Repairing)
                m_request->written.clear();
            break;
        case ChatStreamEvent::Kind::Delta:
            if (m_request->written.isEmpty())
                m_request->writing.start();
            m_request->written += streamed.text;
            break;
        case ChatStreamEvent::Kind::Done:
            m_request->done = streamed.reply;
            break;
        case ChatStreamEvent::Kind::Other:
            break;
        }
    }
    if (!m_liveRefresh.isActive())
        m_liveRefresh.start();
}

void Conversation::onChatAnswered(QNetworkReply *reply, quint64 serial)
{
    reply->deleteLater();
    if (serial != m_session.chat.serial || !m_request || m_request->reply != reply)
        return;
    if (reply->error() != QNetworkReply::NoError) {
        returnRequest(m_request->stopping ? tr("Stopped. Your request is back in the request field.")
                                          : tr("Request failed: %1").arg(failureText(reply)));
        return;
    }
    const bool streamed = reply->header(QNetworkRequest::ContentTypeHeader).toString().startsWith(QLatin1String("text/event-stream"));
    if (streamed && !m_request->done) {
        returnRequest(tr("Request failed: %1").arg(
            tr("the connection to the code generator at %1 ended before its answer was complete").arg(m_baseUrl)));
        return;
    }
    takeAnswer(streamed ? *m_request->done : parseServiceReply(reply->readAll()));
}

void Conversation::takeAnswer(const ServiceReply &answer)
{
    if (answer.kind != ServiceReply::Kind::Chat) {
        returnRequest({});
        return;
    }
    if (!answer.success) {
        // A restart or a long pause made the service forget the chat: one new chat takes the request.
        // An older service sends no error code: its English words are all there is to go by.
        const bool forgotten = answer.error == Protocol::ErrorCode::UnknownSession
            || (answer.error == Protocol::ErrorCode::None && answer.message.startsWith(QLatin1String("Unknown session")));
        if (forgotten && !m_request->retried) {
            m_request->retried = true;
            m_request->reply = nullptr;
            m_request->events = {};
            m_request->done.reset();
            openSession(currentChoice(),
                        tr("The code generator no longer knew this chat: a new %1 %2 chat was opened, and "
                           "your request goes there.")
                            .arg(m_session.chat.platform, programName(m_session.chat.codeType)));
            m_session.chat.used = true;
            return;
        }
        returnRequest(answer.message);
        return;
    }
    finishRequest();

    const int number = m_deployer->keep(answer.response, m_session.chat.platform, m_session.chat.codeType,
                                        answer.hasWarnings ? std::optional(answer.warnings) : std::nullopt);
    ChatEntry shown;
    shown.kind = ChatEntry::Kind::Program;
    shown.text = answer.message;
    shown.code = answer.response;
    const int lines = int(answer.response.count(QLatin1Char('\n'))) + (answer.response.endsWith(QLatin1Char('\n')) ? 0 : 1);
    if (lines > ChatEntry::PreviewLines)
        shown.links.append({tr("Show all %1 lines").arg(lines), ChatLink::Show + QString::number(number)});
    shown.links.append({tr("Copy code"), ChatLink::Copy + QString::number(number)});
    m_transcript->add(shown);
    notice(tr("%1 %2 generated successfully!\nCompiling...")
               .arg(m_session.chat.platform, programName(m_session.chat.codeType)));
    m_deployer->deploy(number);
}

bool Conversation::activate(const QString &href)
{
    using namespace ChatLink;
    if (href == StopRequest || href == StopCompile) {
        stop();
    } else if (int number = numberAfter(href, Show); number >= 0) {
        Q_EMIT programShown(number, 0);
    } else if (href.startsWith(Line)) {
        const QStringList place = href.mid(Line.size()).split(QLatin1Char(':'));
        Q_EMIT programShown(place.value(0).toInt(), place.value(1).toInt());
    } else if (number = numberAfter(href, Copy); number >= 0) {
        Q_EMIT programCopied(number);
    } else if (number = numberAfter(href, Deploy); number >= 0 && number < m_deployer->count()) {
        m_deployer->deploy(number);
    } else if (number = numberAfter(href, Restore); number >= 0 && number < m_deployer->count()) {
        m_deployer->restore(number);
    } else if (href.startsWith(Fix)) {
        m_suggestedErrors = href.mid(Fix.size()).split(QLatin1Char('\n'));
        Q_EMIT requestSuggested(fixRequest(m_suggestedErrors));
    } else {
        return false;
    }
    return true;
}

// --- Compile errors ----------------------------------------------------------------------

// Compile errors of the newest program go back to the model by themselves, when the trader
// chose so, until a compile is clean or the rounds are used up.
void Conversation::onNewestCompiled(const QStringList &errors)
{
    const int round = m_autoFix.roundFor(errors, {m_features.contains(ServiceFeature::CompileErrors),
                                                  m_request.has_value() || m_deployer->hasWaiting()});
    if (round == 0)
        return;
    notice(tr("Asking the code generator to fix the errors (automatic round %1 of %2).").arg(round).arg(AutoFixPolicy::Rounds));
    dispatch(fixRequest(errors), errors);
}
