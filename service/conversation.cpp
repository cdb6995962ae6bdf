#include "service/conversation.h"

#include "platform/compilerlog.h"
#include "platform/deployment.h"
#include "platform/sourceversions.h"
#include "service/codegeneratorinuse.h"
#include "service/riskwarnings.h"
#include "protocol/version.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QUrl>

namespace {

// Links of the entries that the conversation itself acts on.
const QString kStopRequest = QStringLiteral("brevan:stop-request");
const QString kStopCompile = QStringLiteral("brevan:stop-compile");
const QString kShow = QStringLiteral("brevan:show:");
const QString kCopy = QStringLiteral("brevan:copy:");
const QString kDeploy = QStringLiteral("brevan:deploy:");
const QString kRestore = QStringLiteral("brevan:restore:");
// Then the program's number and a line of it.
const QString kLine = QStringLiteral("brevan:line:");
// Then the error lines themselves.
const QString kFix = QStringLiteral("brevan-fix:");

constexpr int kTickMs = 1000;
constexpr int kLiveRefreshMs = 150;
// Lines of a program being written that its bubble shows: the newest ones.
constexpr int kLiveLines = 8;
// Compile errors sent back without the trader, in a row.
constexpr int kAutoFixRounds = 2;

// "m:ss", as a clock on the wall.
QString clockText(qint64 ms)
{
    const qint64 seconds = ms / 1000;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString fixRequest(const QStringList &errors)
{
    return Conversation::tr("The program does not compile. Please fix these errors:") + QLatin1Char('\n')
        + errors.join(QLatin1Char('\n'));
}

// The number after prefix in href, or -1.
int numberAfter(const QString &href, const QString &prefix)
{
    if (!href.startsWith(prefix))
        return -1;
    bool ok = false;
    const int number = href.mid(prefix.size()).toInt(&ok);
    return ok ? number : -1;
}

ChatEntry serviceEntry(const QString &text, const QList<ChatEntry::Link> &links = {})
{
    ChatEntry entry;
    entry.text = text;
    entry.links = links;
    return entry;
}

} // namespace

Conversation::Conversation(QObject *parent, const ServiceTimeouts &timeouts, int compileTimeoutMs)
    : QObject(parent)
    , m_timeouts(timeouts)
    , m_compileTimeoutMs(compileTimeoutMs)
    , m_network(new QNetworkAccessManager(this))
{
    m_network->setTransferTimeout(int(m_timeouts.transfer.count()));
    m_ticker.setInterval(kTickMs);
    connect(&m_ticker, &QTimer::timeout, this, &Conversation::tick);
    m_liveRefresh.setSingleShot(true);
    m_liveRefresh.setInterval(kLiveRefreshMs);
    connect(&m_liveRefresh, &QTimer::timeout, this, [this] {
        if (m_request)
            change(m_request->entry, waitingEntry());
    });
    connect(&m_compile, &CompilerRun::Job::finished, this, &Conversation::onCompiled);
    m_indicatorLabel = tr("Indicator");
    m_eaLabel = tr("EA");
}

Conversation::~Conversation() = default;

Conversation::Request::Request() = default;

// --- The transcript ----------------------------------------------------------------------

int Conversation::add(const ChatEntry &entry)
{
    m_transcript.append(entry);
    const int id = int(m_transcript.size()) - 1;
    Q_EMIT entryAdded(id, entry);
    return id;
}

void Conversation::change(int id, const ChatEntry &entry)
{
    if (id < 0 || id >= m_transcript.size())
        return;
    m_transcript[id] = entry;
    Q_EMIT entryChanged(id, entry);
}

int Conversation::notice(const QString &text)
{
    return add(serviceEntry(text));
}

void Conversation::clearTranscript()
{
    m_transcript.clear();
    // The bubbles that counted seconds are gone with it.
    m_compileEntry = -1;
    Q_EMIT transcriptCleared();
}

QString Conversation::conversationText() const
{
    QList<ChatSessions::Said> said;
    for (const ChatEntry &entry : m_transcript) {
        QString text = entry.text;
        if (entry.kind == ChatEntry::Kind::Program)
            text += (text.isEmpty() ? QString() : QStringLiteral("\n\n")) + entry.code;
        said.append({entry.kind == ChatEntry::Kind::User ? tr("You") : tr("TavrinAI"), text});
    }
    return ChatSessions::conversationText(said);
}

QString Conversation::program(int number) const
{
    return number >= 0 && number < m_programs.size() ? m_programs.at(number).code : QString();
}

// --- The form ----------------------------------------------------------------------------

void Conversation::setFolders(const QString &platform, const QString &installFolder, const QString &dataFolder)
{
    m_folders.insert(platform, {installFolder, dataFolder});
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
    abandonRequest();
    m_baseUrl = baseUrl;
    // On the chats' own connection, with the check's shorter time-out.
    QNetworkRequest request = makeServiceRequest(m_baseUrl + ServicePath::VersionCheck, m_language);
    request.setTransferTimeout(int(m_timeouts.versionCheck.count()));
    QNetworkReply *reply = m_network->post(request, serviceRequestBody(versionCheckBody()));
    connect(reply, &QNetworkReply::finished, this, [this, reply] { onVersionChecked(reply); });
}

void Conversation::onVersionChecked(QNetworkReply *reply)
{
    reply->deleteLater();
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
    m_deployQueue.clear();
    restartChat();
    return keepRequest;
}

void Conversation::openSession(const Choice &choice, const QString &noticeText)
{
    if (!m_session.id.isEmpty())
        endSession(m_session.id);
    const quint64 serial = m_session.chat.serial + 1;
    m_session = {};
    m_session.chat = {choice.platform, choice.codeType, serial, false};
    QNetworkReply *reply = postServiceRequest(*m_network, m_baseUrl + ServicePath::NewChat,
                                              newChatBody(choice.codeType, choice.platform, m_language), m_language);
    connect(reply, &QNetworkReply::finished, this, [this, reply, serial] { onSessionOpened(reply, serial); });
    notice(noticeText.isEmpty() ? tr("Creating new %1 %2 chat...").arg(choice.platform, programName(choice.codeType))
                                : noticeText);
}

// Its answer is of no interest, and never shown: the chat is left either way.
void Conversation::endSession(const QString &id)
{
    QNetworkReply *ended = deleteServiceRequest(*m_network, m_baseUrl + ServicePath::Session,
                                                endSessionBody(id, m_language), m_language);
    connect(ended, &QNetworkReply::finished, ended, &QObject::deleteLater);
}

void Conversation::restartChat()
{
    clearTranscript();
    openSession(m_choice);
}

void Conversation::onSessionOpened(QNetworkReply *reply, quint64 serial)
{
    reply->deleteLater();
    const bool failed = reply->error() != QNetworkReply::NoError;
    const ServiceReply answer = failed ? ServiceReply{} : parseServiceReply(reply->readAll());
    if (serial != m_session.chat.serial) {
        // A chat the trader has left: a session the service opened only now is ended at once.
        if (answer.kind == ServiceReply::Kind::NewSession && answer.success && !answer.sessionId.isEmpty())
            endSession(answer.sessionId);
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
    if (m_session.id.isEmpty())
        return;
    QNetworkAccessManager manager;
    QNetworkReply *reply = deleteServiceRequest(manager, m_baseUrl + ServicePath::Session,
                                                closingSessionBody(m_session.id), m_language);
    waitForReply(reply, m_timeouts.closingWait);
    reply->deleteLater();
    m_session.id.clear();
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
    m_fixRounds = 0;
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
    add(user);
    m_request.emplace();
    m_request->text = request;
    if (m_features.contains(ServiceFeature::CompileErrors))
        m_request->compileErrors = compileErrors;
    m_request->clock.start();
    m_request->entry = add(waitingEntry());
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
    const QString clock = clockText(m_request->clock.elapsed());
    if (!m_request->done && m_request->phase == ChatStreamEvent::Phase::Unknown && m_request->written.isEmpty())
        return serviceEntry(tr("Generating code... %1").arg(clock), {{tr("Stop"), kStopRequest}});
    ChatEntry entry = serviceEntry(phaseText() + QLatin1Char(' ') + clock, {{tr("Stop"), kStopRequest}});
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

ChatEntry Conversation::compilingEntry() const
{
    return serviceEntry(tr("Compiling %1... %2").arg(m_compiledFile, clockText(m_compileClock.elapsed())),
                        {{tr("Stop"), kStopCompile}});
}

void Conversation::tick()
{
    if (m_request)
        change(m_request->entry, waitingEntry());
    if (m_compile.isRunning() && m_compileEntry >= 0)
        change(m_compileEntry, compilingEntry());
    if (!m_request && !m_compile.isRunning())
        m_ticker.stop();
}

// The waiting bubble keeps the time the request took, without its Stop.
void Conversation::finishRequest()
{
    const QString waited = tr("Generating code... %1").arg(clockText(m_request->clock.elapsed()));
    change(m_request->entry, serviceEntry(waited));
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
    if (m_compile.isRunning()) {
        m_compile.stop();
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
        if (answer.message.startsWith(QLatin1String("Unknown session")) && !m_request->retried) {
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
        returnRequest(refusalText(answer, m_ownModelKey));
        return;
    }
    finishRequest();

    const int number = int(m_programs.size());
    m_programs.append({answer.response, {m_session.chat.platform, m_session.chat.codeType}, {}, {}});
    ChatEntry shown;
    shown.kind = ChatEntry::Kind::Program;
    shown.text = answer.message;
    shown.code = answer.response;
    const int lines = int(answer.response.count(QLatin1Char('\n'))) + (answer.response.endsWith(QLatin1Char('\n')) ? 0 : 1);
    if (lines > ChatEntry::PreviewLines)
        shown.links.append({tr("Show all %1 lines").arg(lines), kShow + QString::number(number)});
    shown.links.append({tr("Copy code"), kCopy + QString::number(number)});
    add(shown);
    notice(tr("%1 %2 generated successfully!\nCompiling...")
               .arg(m_session.chat.platform, programName(m_session.chat.codeType)));
    m_deployQueue.append(number);
    deployNext();
}

bool Conversation::activate(const QString &href)
{
    if (href == kStopRequest || href == kStopCompile) {
        stop();
    } else if (int number = numberAfter(href, kShow); number >= 0) {
        Q_EMIT programShown(number, 0);
    } else if (href.startsWith(kLine)) {
        const QStringList place = href.mid(kLine.size()).split(QLatin1Char(':'));
        Q_EMIT programShown(place.value(0).toInt(), place.value(1).toInt());
    } else if (number = numberAfter(href, kCopy); number >= 0) {
        Q_EMIT programCopied(number);
    } else if (number = numberAfter(href, kDeploy); number >= 0 && number < m_programs.size()) {
        m_deployQueue.append(number);
        deployNext();
    } else if (number = numberAfter(href, kRestore); number >= 0 && number < m_programs.size()) {
        restore(number);
    } else if (href.startsWith(kFix)) {
        m_suggestedErrors = href.mid(kFix.size()).split(QLatin1Char('\n'));
        Q_EMIT requestSuggested(fixRequest(m_suggestedErrors));
    } else {
        return false;
    }
    return true;
}

// --- Saving and compiling ----------------------------------------------------------------

// One program at a time reaches the terminal: a second answer waits for the compile before.
void Conversation::deployNext()
{
    while (!m_compile.isRunning() && !m_deployQueue.isEmpty())
        deploy(m_deployQueue.takeFirst());
}

void Conversation::refuseDeployment(int number, const QString &text)
{
    add(serviceEntry(text, {{tr("Save and compile again"), kDeploy + QString::number(number)}}));
}

// Which field is wrong and how, so that the trader can fix it; empty when both are usable.
QString Conversation::folderProblem(const QString &platform, const Folders &folders) const
{
    const QString mql = platform == QLatin1String("MT5") ? QStringLiteral("MQL5") : QStringLiteral("MQL4");
    if (folders.data.isEmpty())
        return tr("The %1 Data path is empty: choose the folder that holds %2.").arg(platform, mql);
    if (!QDir(Deployment::mqlFolder(folders.data, platform)).exists())
        return tr("The %1 Data path \"%2\" holds no %3 folder.").arg(platform, QDir::toNativeSeparators(folders.data), mql);
    if (folders.install.isEmpty())
        return tr("The %1 Installation path is empty: choose the terminal's folder.").arg(platform);
    if (!QDir(folders.install).exists())
        return tr("The %1 Installation path \"%2\" does not exist.").arg(platform, QDir::toNativeSeparators(folders.install));
    return {};
}

void Conversation::deploy(int number)
{
    Program &program = m_programs[number];
    QString name = m_programName.trimmed();
    if (name.isEmpty())
        name = Deployment::defaultSourceName(QDateTime::currentDateTime());
    const QString &platform = program.choice.platform;
    const Folders folders = m_folders.value(platform);
    const QString problem = folderProblem(platform, {folders.install.trimmed(), folders.data.trimmed()});
    if (!problem.isEmpty()) {
        refuseDeployment(number, tr("Invalid platform path!") + QLatin1Char('\n') + problem + QLatin1Char('\n')
                                     + tr("Your program is kept: fix the path, then save it."));
        return;
    }
    notice(tr("Platform path verified!"));

    const QString nameProblem = Deployment::sourceNameProblem(name);
    if (!nameProblem.isEmpty()) {
        refuseDeployment(number, tr("Cannot write file: %1").arg(nameProblem));
        return;
    }
    const QString targetFolder =
        Deployment::targetFolder(Deployment::mqlFolder(folders.data.trimmed(), platform), program.choice.codeType);
    const QString fileName = name + Deployment::sourceExtension(platform);
    const QString sourcePath = targetFolder + QLatin1Char('/') + fileName;
    const QByteArray content = Deployment::sourceFileContent(program.code);
    // The trader's own file of that name must survive being replaced.
    const SourceVersions::KeepResult kept = SourceVersions::keepEarlier(sourcePath, content);
    if (!kept.ok) {
        refuseDeployment(number, tr("Cannot write file: %1").arg(
                                     tr("the earlier version of %1 could not be kept (%2), so it was left as it was")
                                         .arg(QDir::toNativeSeparators(sourcePath), kept.error)));
        return;
    }
    const Deployment::WriteResult written = Deployment::writeFileAtomically(sourcePath, content);
    if (!written.ok) {
        refuseDeployment(number, tr("Cannot write file: %1").arg(written.error));
        return;
    }
    program.sourcePath = sourcePath;
    program.earlierVersion = kept.versionPath;
    ChatEntry saved = serviceEntry(tr("Code saved to: %1").arg(sourcePath));
    saved.textLinks = {{sourcePath, QUrl::fromLocalFile(QFileInfo(sourcePath).absoluteFilePath()).toString()}};
    if (!kept.versionPath.isEmpty()) {
        saved.text += QLatin1Char('\n') + tr("The file held another program; its earlier version was kept.");
        saved.links.append({tr("Restore the earlier version"), kRestore + QString::number(number)});
    }
    add(saved);
    warnOfRisks(number);

    m_compiling = number;
    m_compiledChat = m_session.chat.serial;
    m_compiledFile = fileName;
    m_compileEntry = -1;
    if (!m_compile.start(folders.install.trimmed(), targetFolder, fileName, m_compileTimeoutMs))
        return; // already reported
    m_compileClock.start();
    m_compileEntry = add(compilingEntry());
    m_ticker.start();
}

// Whoever wrote the program, the trader hears of its risks before running it; it is saved and
// compiled all the same, the decision is theirs.
void Conversation::warnOfRisks(int number)
{
    const Program &program = m_programs.at(number);
    const QList<RiskWarnings::Warning> risks = RiskWarnings::review(program.code, program.choice.platform);
    if (risks.isEmpty())
        return;
    ChatEntry warning;
    warning.kind = ChatEntry::Kind::Warning;
    warning.text = tr("Risks found in this program. It was saved all the same: check them before you run it.");
    for (const RiskWarnings::Warning &risk : risks) {
        const QString line = tr("Line %1:").arg(risk.line);
        warning.text += QLatin1Char('\n') + line + QLatin1Char(' ') + risk.message;
        warning.textLinks.append({line, kLine + QStringLiteral("%1:%2").arg(number).arg(risk.line)});
    }
    add(warning);
}

QList<ChatEntry> Conversation::compileResults(const CompilerRun::Outcome &outcome, bool reportsErrors,
                                              const QStringList &errors)
{
    QList<ChatEntry> results;
    if (!outcome.problem.isEmpty())
        results.append(serviceEntry(outcome.problem));
    else if (!outcome.started)
        results.append(serviceEntry(tr("Cannot start compiler!")));
    if (outcome.hasLog) {
        // A log that reports errors offers to hand them back to the service.
        results.append(!reportsErrors
                           ? serviceEntry(outcome.log)
                           : serviceEntry(outcome.log, {{tr("Ask to fix these errors"), kFix + errors.join(QLatin1Char('\n'))}}));
    } else if (outcome.started && outcome.problem.isEmpty()) {
        results.append(serviceEntry(tr("The compiler finished but left no log.")));
    }
    return results;
}

void Conversation::onCompiled(const CompilerRun::Outcome &outcome)
{
    // A compile of a chat the trader has left ends without a word in the new one.
    const bool sameChat = m_compiledChat == m_session.chat.serial;
    const bool latest = sameChat && m_compiling == m_programs.size() - 1;
    m_compiling = -1;
    const bool reportsErrors = outcome.hasLog && CompilerLog::errorCount(outcome.log) > 0;
    const QStringList errors = reportsErrors ? CompilerLog::errorLines(outcome.log) : QStringList();
    if (sameChat) {
        // The bubble that counted the seconds shows the first result in its place.
        for (const ChatEntry &result : compileResults(outcome, reportsErrors, errors)) {
            if (m_compileEntry >= 0)
                change(std::exchange(m_compileEntry, -1), result);
            else
                add(result);
        }
    }
    deployNext();
    if (outcome.hasLog && latest)
        fixAutomatically(errors);
}

// Compile errors of the newest program go back to the model by themselves, when the trader
// chose so, until a compile is clean or the rounds are used up.
void Conversation::fixAutomatically(const QStringList &errors)
{
    if (errors.isEmpty()) {
        m_fixRounds = 0;
        return;
    }
    if (!m_autoFix || !m_features.contains(ServiceFeature::CompileErrors) || m_request || !m_deployQueue.isEmpty()
        || m_fixRounds >= kAutoFixRounds)
        return;
    ++m_fixRounds;
    notice(tr("Asking the code generator to fix the errors (automatic round %1 of %2).").arg(m_fixRounds).arg(kAutoFixRounds));
    dispatch(fixRequest(errors), errors);
}

void Conversation::restore(int number)
{
    const Program &program = m_programs.at(number);
    QFile version(program.earlierVersion);
    if (program.earlierVersion.isEmpty() || !version.open(QIODevice::ReadOnly)) {
        notice(tr("Cannot restore the earlier version: %1").arg(version.errorString()));
        return;
    }
    const Deployment::WriteResult written = Deployment::writeFileAtomically(program.sourcePath, version.readAll());
    if (!written.ok) {
        notice(tr("Cannot restore the earlier version: %1").arg(written.error));
        return;
    }
    notice(tr("The earlier version of %1 is back in place.").arg(QDir::toNativeSeparators(program.sourcePath)));
}
