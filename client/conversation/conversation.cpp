#include "client/conversation/conversation.h"

#include "platform/deployment.h"
#include "platform/programfile.h"
#include "protocol/domain.h"
#include "client/connection/codegeneratorinuse.h"
#include "client/conversation/backtester.h"
#include "client/conversation/chatpresenter.h"
#include "client/conversation/distinctversions.h"
#include "client/conversation/programdeployer.h"
#include "client/connection/sessionclient.h"
#include "client/conversation/transcript.h"

#include <QFileInfo>
#include <QLocale>
#include <QSet>
#include <QUrl>

#include <algorithm>

namespace {

// The program the open session last wrote or was given is not known (a chat reopened).
constexpr int kUnknownProgram = -2;

constexpr int kTickMs = 1000;
constexpr int kLiveRefreshMs = 150;
// Lines of a program being written that its bubble shows: the newest ones.
constexpr int kLiveLines = 8;

bool isAction(const ChatEntry::Link &link, ChatAction::Kind kind)
{
    const std::optional<ChatAction> action = ChatAction::fromHref(link.href);
    return action && action->kind == kind;
}

QString stopHref()
{
    return ChatAction{ChatAction::Kind::StopRequest}.href();
}

QString fixRequest(const QStringList &errors)
{
    return Conversation::tr("The program does not compile. Please fix these errors:") + QLatin1Char('\n')
        + errors.join(QLatin1Char('\n'));
}

} // namespace

Conversation::Conversation(QObject *parent, const ServiceTimeouts &timeouts, const TerminalBounds &bounds)
    : Conversation(new SessionClient(timeouts), bounds, parent)
{
}

Conversation::Conversation(ChatTransport *transport, const TerminalBounds &bounds, QObject *parent)
    : QObject(parent)
    , m_client(transport)
    , m_transcript(new Transcript(this))
    , m_deployer(new ProgramDeployer(bounds.compileMs, this))
    , m_backtester(new Backtester(m_transcript, bounds.backtestMs, this))
{
    connect(m_backtester, &Backtester::tested, this, &Conversation::onTested);
    m_client->setParent(this);
    connect(m_transcript, &Transcript::entryAdded, this, &Conversation::entryAdded);
    connect(m_transcript, &Transcript::entryChanged, this, &Conversation::entryChanged);
    connect(m_transcript, &Transcript::entryUpdated, this, &Conversation::entryChanged);
    connect(m_transcript, &Transcript::cleared, this, &Conversation::transcriptCleared);
    connect(m_deployer, &ProgramDeployer::newestCompiled, this, &Conversation::onNewestCompiled);
    connectDeployer();
    connect(m_client, &ChatTransport::versionRefused, this, &Conversation::versionRefused);
    connect(m_client, &ChatTransport::serviceUnreachable, this, &Conversation::serviceUnreachable);
    connect(m_client, &ChatTransport::live, this, &Conversation::onLive);
    connect(m_client, &ChatTransport::sessionNotice, this, &Conversation::notice);
    connect(m_client, &ChatTransport::requestHeldBack, this, [this] {
        if (m_request)
            returnRequest(Ending::Failed, {});
    });
    connect(m_client, &ChatTransport::streamed, this, [this] {
        if (!m_liveRefresh.isActive())
            m_liveRefresh.start();
    });
    connect(m_client, &ChatTransport::answered, this, &Conversation::takeAnswer);
    connect(m_client, &ChatTransport::requestFailed, this,
            [this](const QString &why) { returnRequest(Ending::Failed, why); });
    connect(m_client, &ChatTransport::requestStopped, this,
            [this] { returnRequest(Ending::Stopped, tr("Stopped. Your request is back in the request field.")); });
    m_ticker.setInterval(kTickMs);
    connect(&m_ticker, &QTimer::timeout, this, &Conversation::tick);
    m_liveRefresh.setSingleShot(true);
    m_liveRefresh.setInterval(kLiveRefreshMs);
    connect(&m_liveRefresh, &QTimer::timeout, this, [this] {
        if (m_request)
            m_transcript->update(m_request->entry, waitingEntry());
    });
    // Kept at each change of what was said, never at a waiting bubble's clock or stream.
    connect(m_transcript, &Transcript::entryAdded, this, &Conversation::noteChange);
    connect(m_transcript, &Transcript::entryChanged, this, &Conversation::noteChange);
    connect(this, &Conversation::requestInFlightChanged, this, &Conversation::noteChange);
    m_indicatorLabel = tr("Indicator");
    m_eaLabel = tr("EA");
}

Conversation::~Conversation() = default;

Conversation::Request::Request() = default;

Conversation::Step::Step(Conversation *conversation)
    : m_conversation(conversation)
{
    ++m_conversation->m_steps;
}

Conversation::Step::~Step()
{
    if (--m_conversation->m_steps == 0 && std::exchange(m_conversation->m_changed, false))
        Q_EMIT m_conversation->changed();
}

void Conversation::noteChange()
{
    if (m_steps > 0)
        m_changed = true;
    else
        Q_EMIT changed();
}

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

void Conversation::keepInto(StoredChat &chat) const
{
    const bool used = m_client->chat().used;
    const Choice choice = used ? currentChoice() : m_choice;
    chat.platform = choice.platform;
    chat.type = choice.type;
    chat.programName = m_programName;
    chat.entries = m_transcript->entries();
    // A bubble that counts seconds is kept as what it will say, never as a clock.
    if (m_request && m_request->entry >= 0)
        chat.entries[m_request->entry] = Transcript::serviceEntry({});
    if (m_compileEntry >= 0)
        chat.entries[m_compileEntry] = Transcript::serviceEntry(tr("The compile had not finished when the chat was last kept."));
    if (const int testing = m_backtester->runningEntryId(); testing >= 0)
        chat.entries[testing] = Transcript::serviceEntry(tr("The backtest had not finished when the chat was last kept."));
    chat.backtestChoice = m_backtestChoice;
    chat.turns = m_turns;
    chat.sessionId = m_client->sessionId();
    chat.requestInFlight = m_request ? m_request->text : QString();
    // One program per file name, its versions in the order they came.
    chat.programs.clear();
    chat.current = {};
    for (const ProgramVersion &version : m_deployer->versions()) {
        const QString name = version.filePath.isEmpty() ? m_programName : QFileInfo(version.filePath).completeBaseName();
        auto program = std::find_if(chat.programs.begin(), chat.programs.end(),
                                    [&name](const StoredProgram &kept) { return kept.name == name; });
        if (program == chat.programs.end())
            program = chat.programs.insert(chat.programs.end(), StoredProgram{name, {}});
        program->versions.append(version);
        if (version.number == m_current)
            chat.current = {int(program - chat.programs.begin()), int(program->versions.size()) - 1};
    }
}

void Conversation::reopen(const StoredChat &chat)
{
    const Step step(this);
    abandonRequest();
    m_deployer->dropWaiting();
    m_refusedForChoice = false;
    m_replacing = -1;
    m_suggestedFix = -1;
    m_autoFix.reset();
    m_choice = {chat.platform, chat.type};
    const bool used = std::any_of(chat.entries.cbegin(), chat.entries.cend(),
                                  [](const ChatEntry &entry) { return entry.kind == ChatEntry::Kind::User; });
    m_client->resume(m_choice.platform, m_choice.type, chat.sessionId, used);
    m_deployer->setChat(m_client->chat().serial);
    m_backtester->setChat(m_client->chat().serial);
    m_backtestChoice = chat.backtestChoice;
    QList<ProgramVersion> versions;
    for (const StoredProgram &program : chat.programs)
        versions += program.versions;
    m_deployer->restoreVersions(versions, m_choice.platform, m_choice.type);
    const StoredChat::ProgramRef current = chat.current;
    m_current = current.program >= 0 && current.program < chat.programs.size()
            && current.version >= 0 && current.version < chat.programs.at(current.program).versions.size()
        ? chat.programs.at(current.program).versions.at(current.version).number
        : m_deployer->count() - 1;
    // Whether the service's last program is the chat's is not known: the chat's goes with the request.
    m_serviceProgram = kUnknownProgram;
    setProgramName(chat.programName);
    // A request that was on its way goes back into the field: its turn, and the bubble that
    // waited for it, come again when it is sent.
    qsizetype shown = chat.entries.size();
    if (!chat.requestInFlight.isEmpty()) {
        while (shown > 0 && chat.entries.at(shown - 1).kind != ChatEntry::Kind::User)
            --shown;
        shown = std::max<qsizetype>(0, shown - 1);
    }
    m_transcript->clear();
    for (qsizetype entry = 0; entry < shown; ++entry)
        m_transcript->add(chat.entries.at(entry));
    m_turns = chat.turns.mid(0, turnOf(shown));
}

QString Conversation::program(int number) const
{
    return m_deployer->program(number);
}

QList<ProgramVersion> Conversation::versionsOf(int number) const
{
    return number >= 0 && number < m_deployer->count() ? m_deployer->versionsOf(number) : QList<ProgramVersion>();
}

void Conversation::useVersion(int number)
{
    const Step step(this);
    if (number < 0 || number >= m_deployer->count())
        return;
    const QDateTime time = m_deployer->versions().at(number).time;
    m_current = m_deployer->keepCopy(number);
    offerVersions(m_current);
    notice(tr("The version of %1 is the chat's program again: it is saved and compiled now, and your next "
              "request continues from it.")
               .arg(QLocale().toString(time, QLocale::ShortFormat)));
    m_deployer->deploy(m_current);
}

bool Conversation::isCompiling() const
{
    return m_deployer->isCompiling();
}

bool Conversation::isBacktesting() const
{
    return m_backtester->isRunning();
}

// --- The form ----------------------------------------------------------------------------

void Conversation::setFolders(Protocol::Platform platform, const QString &installFolder, const QString &dataFolder)
{
    m_deployer->setFolders(platform, installFolder, dataFolder);
}

void Conversation::setLanguage(const QString &code)
{
    m_client->setLanguage(code);
}

void Conversation::setServiceStarter(bool available)
{
    m_client->setServiceStarter(available);
}

bool Conversation::isLive() const
{
    return m_client->isLive();
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

QString Conversation::programName(Protocol::ProgramType type) const
{
    return type == Protocol::ProgramType::Indicator ? m_indicatorLabel : m_eaLabel;
}

QString Conversation::programsName(Protocol::ProgramType type) const
{
    return type == Protocol::ProgramType::Indicator ? tr("indicators") : tr("EAs");
}

// Until its first Send a chat is for whatever the form shows, so that the first request
// always reaches a chat of the chosen platform and program type.
void Conversation::setChoice(const Choice &choice)
{
    m_choice = choice;
    if (isLive() && ChatSessions::fit(m_client->chat(), choice.platform, choice.type) == ChatSessions::FormFit::Reopen)
        restartChat();
}

Conversation::Choice Conversation::currentChoice() const
{
    return {m_client->chat().platform, m_client->chat().type};
}

// --- Start -------------------------------------------------------------------------------

void Conversation::start(const QString &baseUrl)
{
    // Another service (Settings) starts anew: what the old one was doing is left behind.
    leaveService(false);
    m_client->check(baseUrl);
}

void Conversation::leaveService(bool closing)
{
    abandonRequest();
    m_deployer->dropWaiting();
    m_client->leave(closing);
}

void Conversation::onLive()
{
    restartChat();
    Q_EMIT liveChanged(true);
}

// --- Sessions ----------------------------------------------------------------------------

bool Conversation::newChat()
{
    if (!isLive())
        return false;
    const bool keepRequest = std::exchange(m_refusedForChoice, false);
    abandonRequest();
    // Answers of the chat left behind are not saved into the new one's terminal.
    m_deployer->dropWaiting();
    restartChat();
    return keepRequest;
}

bool Conversation::openProgram(const ProgramFile &program)
{
    const Step step(this);
    if (!isLive())
        return false;
    abandonRequest();
    m_deployer->dropWaiting();
    m_choice = {program.platform, program.type};
    setProgramName(program.name);
    m_transcript->clear();
    m_deployer->restoreVersions({}, {}, {});
    m_replacing = -1;
    m_turns.clear();
    m_current = m_deployer->keepOpened(program.source, program.path, m_choice.platform, m_choice.type);
    openSession(m_choice, {}, {}, m_current);
    m_client->markUsed();
    ChatEntry shown;
    shown.kind = ChatEntry::Kind::Program;
    shown.text = m_offlineGenerator
        ? tr("%1 is open in this chat. The offline generator in use changes only programs it wrote itself, so it "
             "cannot change this one; it writes a new program from your description in a new chat (New Chat). To have "
             "this one changed, choose a model server in Settings > Code generator…")
              .arg(program.path)
        : tr("%1 is open in this chat: ask for the changes you want. They are saved under the same name, "
             "and the content it has now is kept as a version.")
              .arg(program.path);
    shown.textLinks = {{program.path, QUrl::fromLocalFile(program.path).toString()}};
    shown.code = program.source;
    shown.links = programLinks(m_current, program.source);
    m_transcript->add(shown);
    if (!m_client->offers(ServiceFeature::History))
        notice(tr("This code generator cannot be given a program to change: it writes a new one from your request."));
    return true;
}

// Every bubble of a program offers all its versions, the older bubbles too, with their count.
void Conversation::offerVersions(int number)
{
    const QList<ProgramVersion> versions = m_deployer->versionsOf(number);
    if (versions.size() < 2)
        return;
    QSet<int> same;
    for (const ProgramVersion &version : versions)
        same.insert(version.number);
    const QList<ChatEntry> entries = m_transcript->entries();
    for (int id = 0; id < int(entries.size()); ++id) {
        ChatEntry entry = entries.at(id);
        const auto copy = std::find_if(entry.links.begin(), entry.links.end(), [](const ChatEntry::Link &link) {
            return isAction(link, ChatAction::Kind::CopyProgram);
        });
        if (entry.kind != ChatEntry::Kind::Program || copy == entry.links.end())
            continue;
        const int shown = ChatAction::fromHref(copy->href)->number;
        if (!same.contains(shown))
            continue;
        const ChatEntry::Link offer{tr("Versions (%1)").arg(distinctVersions(versions, m_current).size()),
                                    ChatAction{ChatAction::Kind::Versions, shown}.href()};
        const auto old = std::find_if(entry.links.begin(), entry.links.end(), [](const ChatEntry::Link &link) {
            return isAction(link, ChatAction::Kind::Versions);
        });
        if (old != entry.links.end())
            *old = offer;
        else
            entry.links.insert(copy - entry.links.begin() + 1, offer);
        m_transcript->change(id, entry);
    }
}

QList<ChatEntry::Link> Conversation::programLinks(int number, const QString &code) const
{
    QList<ChatEntry::Link> links;
    const int lines = int(code.count(QLatin1Char('\n'))) + (code.endsWith(QLatin1Char('\n')) ? 0 : 1);
    if (lines > ChatEntry::PreviewLines)
        links.append({tr("Show all %1 lines").arg(lines), ChatAction{ChatAction::Kind::ShowProgram, number}.href()});
    links.append({tr("Copy code"), ChatAction{ChatAction::Kind::CopyProgram, number}.href()});
    return links;
}

void Conversation::openSession(const Choice &choice, const QString &noticeText, const QList<ChatTurn> &history,
                               int program)
{
    // A session that continues what the chat shows says so in noticeText, without a greeting.
    m_client->open(choice.platform, choice.type, {history, m_deployer->program(program)},
                   noticeText.isEmpty() ? ChatTransport::Greeting::Shown : ChatTransport::Greeting::Quiet);
    m_serviceProgram = program;
    m_deployer->setChat(m_client->chat().serial);
    m_backtester->setChat(m_client->chat().serial);
    notice(noticeText.isEmpty() ? tr("Creating new %1 %2 chat...").arg(Protocol::wireName(choice.platform), programName(choice.type))
                                : noticeText);
}

void Conversation::restartChat()
{
    const Step step(this);
    m_transcript->clear();
    m_deployer->restoreVersions({}, {}, {});
    m_backtestChoice.reset();
    m_current = -1;
    m_replacing = -1;
    m_turns.clear();
    openSession(m_choice);
}

void Conversation::close()
{
    connect(m_client, &ChatTransport::left, this, &Conversation::closed, Qt::SingleShotConnection);
    leaveService(true);
}

// --- Requests ----------------------------------------------------------------------------

Conversation::SendOutcome Conversation::send(const QString &text)
{
    const Step step(this);
    if (!isLive())
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
    if (const QString problem = Deployment::sourceNameProblem(m_programName.trimmed()); !problem.isEmpty()) {
        notice(tr("Please choose another name: %1.").arg(problem));
        return SendOutcome::Refused;
    }
    if (m_request) {
        notice(tr("A request is already on its way: wait for its answer, or press Stop."));
        return SendOutcome::Refused;
    }
    switch (ChatSessions::fit(m_client->chat(), m_choice.platform, m_choice.type)) {
    case ChatSessions::FormFit::Fits:
        break;
    case ChatSessions::FormFit::Reopen:
        restartChat();
        break;
    case ChatSessions::FormFit::Refuse:
        m_refusedForChoice = true;
        notice(tr("This chat writes %1 %2. Press New Chat to start a chat for %3 %4.")
                   .arg(Protocol::wireName(m_client->chat().platform), programsName(m_client->chat().type),
                        Protocol::wireName(m_choice.platform), programsName(m_choice.type)));
        return SendOutcome::Refused;
    }
    m_refusedForChoice = false;
    m_autoFix.reset();
    int basedOn = m_current;
    if (const qsizetype replaced = std::exchange(m_replacing, -1); replaced >= 0 && replaced == lastTurn(replaced)) {
        // The new request changes what the one it replaces was asked to change.
        basedOn = m_turns.value(turnOf(replaced)).basedOn;
        replaceTurn(replaced);
    }
    // The errors "Ask to fix these errors" suggested go with the request while their program is
    // still the one it changes.
    const int fixing = std::exchange(m_suggestedFix, -1);
    dispatch(request, fixing >= 0 && fixing == basedOn ? m_deployer->errorsOf(fixing) : QStringList(), basedOn);
    return SendOutcome::Sent;
}

void Conversation::dispatch(const QString &request, const QStringList &compileErrors, int basedOn)
{
    m_client->markUsed();
    dropRedoLinks();
    m_turns.append({request, basedOn, -1, false});
    ChatEntry user;
    user.kind = ChatEntry::Kind::User;
    user.text = request;
    user.links = {{tr("Edit"), ChatAction{ChatAction::Kind::Edit, int(m_transcript->entries().size())}.href()}};
    m_transcript->add(user);
    m_request.emplace();
    m_request->text = request;
    m_request->compileErrors = compileErrors;
    m_request->clock.start();
    m_request->entry = m_transcript->add(waitingEntry());
    m_ticker.start();
    Q_EMIT requestInFlightChanged(true);
    // Without an id yet, the request waits for the session; one that failed is opened again,
    // from what was said before.
    if (m_client->sessionFailed()) {
        openSession(currentChoice(), {}, history(m_turns.size() - 1), basedOn);
        m_client->markUsed();
    }
    post(request, compileErrors, basedOn);
}

// The service is told which program the request changes only when it is not the one the
// session wrote or was given last.
void Conversation::post(const QString &request, const QStringList &compileErrors, int basedOn)
{
    m_client->setCurrentProgram(basedOn == m_serviceProgram ? QString() : m_deployer->program(basedOn));
    m_serviceProgram = basedOn;
    m_client->post(request, compileErrors);
}

// A streamed answer shows where its time goes and the program growing; a plain one the clock.
ChatEntry Conversation::waitingEntry() const
{
    const QString clock = Transcript::clockText(m_request->clock.elapsed());
    const ChatTransport::Stream &stream = m_client->stream();
    if (!stream.done && stream.phase == ChatStreamEvent::Phase::Unknown && stream.written.isEmpty())
        return Transcript::serviceEntry(tr("Generating code... %1").arg(clock), {{tr("Stop"), stopHref()}});
    ChatEntry entry = Transcript::serviceEntry(phaseText() + QLatin1Char(' ') + clock, {{tr("Stop"), stopHref()}});
    if (!stream.written.isEmpty()) {
        const qint64 ms = std::max<qint64>(1, stream.writing.elapsed());
        entry.text += QLatin1Char('\n')
            + tr("%1 characters, %2 per second").arg(stream.written.size()).arg(stream.written.size() * 1000 / ms);
        entry.kind = ChatEntry::Kind::Program;
        const QStringList lines = stream.written.split(QLatin1Char('\n'));
        entry.code = lines.mid(std::max<qsizetype>(0, lines.size() - kLiveLines)).join(QLatin1Char('\n'));
    }
    return entry;
}

QString Conversation::phaseText() const
{
    switch (m_client->stream().phase) {
    case ChatStreamEvent::Phase::Queued:
        return tr("Waiting for the model (number %1 in the queue)...").arg(m_client->stream().position);
    case ChatStreamEvent::Phase::Checking:
        return tr("Checking the program...");
    case ChatStreamEvent::Phase::Repairing:
        return tr("Correcting the program...");
    case ChatStreamEvent::Phase::Writing:
    case ChatStreamEvent::Phase::Unknown:
        break;
    }
    // The model may take a while before its first piece: until then nothing is being written.
    return m_client->stream().written.isEmpty() ? tr("Waiting for the first lines...") : tr("Writing the program...");
}

void Conversation::tick()
{
    if (m_request)
        m_transcript->update(m_request->entry, waitingEntry());
    else
        m_ticker.stop();
}

QString Conversation::endingText(Ending ending) const
{
    const QString waited = Transcript::clockText(m_request->clock.elapsed());
    switch (ending) {
    case Ending::Answered:
        return tr("Answered after %1").arg(waited);
    case Ending::Stopped:
        return tr("Stopped after %1").arg(waited);
    case Ending::Refused:
        return tr("Refused after %1").arg(waited);
    case Ending::Failed:
        break;
    }
    return tr("Failed after %1").arg(waited);
}

// The waiting bubble says how the wait ended and how long it took, without its Stop. A
// request still waiting for its session (stopped meanwhile) does not go out later.
void Conversation::finishRequest(Ending ending)
{
    m_transcript->change(m_request->entry, Transcript::serviceEntry(endingText(ending)));
    m_client->drop();
    m_request.reset();
    Q_EMIT requestInFlightChanged(false);
}

void Conversation::returnRequest(Ending ending, const QString &why)
{
    const Step step(this);
    const QString text = m_request->text;
    finishRequest(ending);
    if (!why.isEmpty())
        notice(why);
    Q_EMIT requestReturned(text);
}

// The chat is left: its request's answer would belong to nobody.
QString Conversation::abandonRequest()
{
    const Step step(this);
    if (!m_request)
        return {};
    const QString request = m_request->text;
    finishRequest(Ending::Stopped);
    return request;
}

void Conversation::stop()
{
    if (m_deployer->isCompiling()) {
        m_deployer->stopCompile();
    } else if (m_backtester->isRunning()) {
        m_backtester->stop();
    } else if (m_request && m_client->isPosted()) {
        m_client->stop();
    } else if (m_request) {
        returnRequest(Ending::Stopped, tr("Stopped. Your request is back in the request field."));
    }
}

void Conversation::takeAnswer(const ServiceReply &answer)
{
    const Step step(this);
    if (answer.kind != ServiceReply::Kind::Chat) {
        returnRequest(Ending::Failed, {});
        return;
    }
    if (!answer.success) {
        // A restart or a long pause made the service forget the chat: one new chat takes the request.
        // An older service sends no error code: its English words are all there is to go by.
        const bool forgotten = answer.error == Protocol::ErrorCode::UnknownSession
            || (answer.error == Protocol::ErrorCode::None && answer.message.startsWith(QLatin1String("Unknown session")));
        if (forgotten && !m_request->retried) {
            continueForgotten();
            return;
        }
        const QString refusal = refusalText(answer, m_ownModelKey);
        returnRequest(Ending::Refused,
                      !refusal.isEmpty() ? refusal : tr("The code generator refused without giving a reason."));
        return;
    }
    const QString request = m_request->text;
    finishRequest(Ending::Answered);

    const int number = m_deployer->keep(answer.response, request, m_client->chat().platform, m_client->chat().type,
                                        answer.hasWarnings ? std::optional(answer.warnings) : std::nullopt);
    ChatEntry shown;
    shown.kind = ChatEntry::Kind::Program;
    shown.text = answer.message;
    shown.code = answer.response;
    shown.links = programLinks(number, answer.response);
    m_current = number;
    m_serviceProgram = number;
    if (!m_turns.isEmpty())
        m_turns.last().answer = number;
    shown.links.append({tr("Regenerate"), ChatAction{ChatAction::Kind::Regenerate, int(m_transcript->entries().size())}.href()});
    m_transcript->add(shown);
    offerVersions(number);
    notice(tr("%1 %2 generated successfully!\nCompiling...")
               .arg(Protocol::wireName(m_client->chat().platform), programName(m_client->chat().type)));
    m_deployer->deploy(number);
}

QList<ChatTurn> Conversation::history(qsizetype upTo) const
{
    QList<ChatTurn> turns;
    for (qsizetype index = 0; index < std::min(upTo, m_turns.size()); ++index) {
        const ChatTurnRecord &turn = m_turns.at(index);
        if (turn.replaced || turn.answer < 0)
            continue;
        turns.append({ChatTurn::Role::User, turn.request});
        turns.append({ChatTurn::Role::Assistant, m_deployer->program(turn.answer)});
    }
    return turns;
}

qsizetype Conversation::turnOf(qsizetype userEntry) const
{
    const QList<ChatEntry> &entries = m_transcript->entries();
    return std::count_if(entries.cbegin(), entries.cbegin() + std::min(userEntry, entries.size()),
                         [](const ChatEntry &entry) { return entry.kind == ChatEntry::Kind::User; });
}

void Conversation::replaceTurn(qsizetype userEntry)
{
    if (!m_client->offers(ServiceFeature::History))
        return; // the service keeps the earlier turn: the request follows it
    const qsizetype turn = turnOf(userEntry);
    if (turn >= m_turns.size())
        return;
    m_turns[turn].replaced = true;
    openSession(currentChoice(), tr("The request takes the place of the earlier one: a new session continues from what was said before it."),
                history(turn), m_turns.at(turn).basedOn);
    m_client->markUsed();
}

qsizetype Conversation::lastTurn(qsizetype entry) const
{
    const QList<ChatEntry> &entries = m_transcript->entries();
    if (entry < 0 || entry >= entries.size())
        return -1;
    for (qsizetype later = entry + 1; later < entries.size(); ++later) {
        if (entries.at(later).kind == ChatEntry::Kind::User)
            return -1; // not the last turn
    }
    while (entry >= 0 && entries.at(entry).kind != ChatEntry::Kind::User)
        --entry;
    return entry;
}

void Conversation::dropRedoLinks()
{
    const QList<ChatEntry> &entries = m_transcript->entries();
    for (qsizetype index = 0; index < entries.size(); ++index) {
        ChatEntry entry = entries.at(index);
        const qsizetype removed = entry.links.removeIf([](const ChatEntry::Link &link) {
            return isAction(link, ChatAction::Kind::Regenerate) || isAction(link, ChatAction::Kind::Edit);
        });
        if (removed > 0)
            m_transcript->change(int(index), entry);
    }
}

void Conversation::continueForgotten()
{
    m_request->retried = true;
    const QString platform = Protocol::wireName(m_client->chat().platform);
    const QString kind = programName(m_client->chat().type);
    // The request on its way is sent again in the new session, not seeded.
    const QList<ChatTurn> earlier = history(m_turns.size() - 1);
    const int basedOn = m_turns.isEmpty() ? m_current : m_turns.constLast().basedOn;
    const bool seeded = m_client->offers(ServiceFeature::History) && !earlier.isEmpty();
    const QString text = seeded
        ? tr("The code generator no longer knew this chat: a new %1 %2 chat continues it from what was said "
             "and its program, and your request goes there.")
              .arg(platform, kind)
        : tr("The code generator no longer knew this chat: a new %1 %2 chat was opened, and your request goes "
             "there.")
              .arg(platform, kind);
    const bool untold = !earlier.isEmpty() && !m_client->offers(ServiceFeature::History);
    openSession(currentChoice(),
                untold ? text + QLatin1Char(' ')
                        + tr("This code generator cannot be given the chat's history: it starts from your request alone.")
                        : text,
                earlier, basedOn);
    m_client->markUsed();
    post(m_request->text, m_request->compileErrors, basedOn);
}

bool Conversation::activate(const QString &href)
{
    const Step step(this);
    const std::optional<ChatAction> action = ChatAction::fromHref(href);
    if (!action)
        return false;
    const int number = action->number;
    const bool kept = number >= 0 && number < m_deployer->count();
    switch (action->kind) {
    case ChatAction::Kind::StopRequest:
    case ChatAction::Kind::StopCompile:
        stop();
        break;
    case ChatAction::Kind::ShowProgram:
        Q_EMIT programShown(number, action->line);
        break;
    case ChatAction::Kind::CopyProgram:
        Q_EMIT programCopied(number);
        break;
    case ChatAction::Kind::Edit:
        if (!m_request && lastTurn(number) == number) {
            m_replacing = number;
            Q_EMIT requestEdited(m_transcript->entries().at(number).text);
        }
        break;
    case ChatAction::Kind::Regenerate:
        if (const qsizetype turn = lastTurn(number); !m_request && turn >= 0) {
            m_replacing = turn;
            if (send(m_transcript->entries().at(turn).text) == SendOutcome::Refused)
                m_replacing = -1; // the trader's next request is a turn of its own
        }
        break;
    case ChatAction::Kind::Versions:
        if (kept)
            Q_EMIT versionsShown(number);
        break;
    case ChatAction::Kind::Deploy:
        if (kept)
            m_deployer->deploy(number);
        break;
    case ChatAction::Kind::Restore:
        if (kept)
            m_deployer->restore(number);
        break;
    case ChatAction::Kind::FixErrors:
        // A chat kept before the links named their program fixes its program's errors.
        m_suggestedFix = kept ? number : m_current;
        Q_EMIT requestSuggested(fixRequest(m_deployer->errorsOf(m_suggestedFix)));
        break;
    case ChatAction::Kind::Backtest:
        // The tester runs what the terminal holds: a version saved over since is not it.
        if (kept && !m_deployer->isInTerminal(number))
            notice(tr("A later version was saved over this one: choose it in Versions and use it again to test it."));
        else if (kept)
            Q_EMIT backtestAsked(number, m_deployer->platformOf(number), backtestChoiceFor(number));
        break;
    case ChatAction::Kind::StopBacktest:
        m_backtester->stop();
        break;
    case ChatAction::Kind::ShowRequest:
        return false; // the transcript's own
    }
    return true;
}

// --- The terminal ------------------------------------------------------------------------

// Each step of a program's way into the terminal is worded as it ends; a running compile's
// bubble counts its seconds until then.
void Conversation::connectDeployer()
{
    connect(m_deployer, &ProgramDeployer::saved, this, [this](const DeploySteps::Save &save) {
        const Step step(this);
        for (const ChatEntry &entry : ChatPresenter::saveEntries(save))
            m_transcript->add(entry);
    });
    connect(m_deployer, &ProgramDeployer::risksFound, this,
            [this](const DeploySteps::Review &review) { m_transcript->add(ChatPresenter::riskEntry(review)); });
    connect(m_deployer, &ProgramDeployer::restored, this,
            [this](const DeploySteps::Restore &restore) { m_transcript->add(ChatPresenter::restoreEntry(restore)); });
    connect(m_deployer, &ProgramDeployer::compileStarted, this, [this](const QString &fileName) {
        m_compileFile = fileName;
        m_compileEntry = m_transcript->add(ChatPresenter::compilingEntry(fileName, 0));
        m_compileTicker.start();
    });
    m_compileTicker.setInterval(kTickMs);
    connect(&m_compileTicker, &QTimer::timeout, this, [this] {
        if (!m_deployer->isCompiling())
            m_compileTicker.stop();
        else if (m_compileEntry >= 0)
            m_transcript->update(m_compileEntry, ChatPresenter::compilingEntry(m_compileFile, m_deployer->compileElapsedMs()));
    });
    connect(m_deployer, &ProgramDeployer::compiled, this, [this](const DeploySteps::Compile &compile) {
        const Step step(this);
        // The bubble that counted the seconds says how the compile ended; its results follow.
        if (m_compileEntry >= 0)
            m_transcript->change(std::exchange(m_compileEntry, -1), ChatPresenter::compileEnding(compile));
        for (const ChatEntry &entry : ChatPresenter::compileResults(compile))
            m_transcript->add(entry);
    });
    // The bubble that counted seconds is gone with the transcript.
    connect(m_transcript, &Transcript::cleared, this, [this] { m_compileEntry = -1; });
}

// --- Compile errors ----------------------------------------------------------------------

// Compile errors of the newest program go back to the model by themselves, when the trader
// chose so, until a compile is clean or the rounds are used up.
void Conversation::onNewestCompiled(const QStringList &errors)
{
    const Step step(this);
    const int round = m_autoFix.roundFor(errors, {m_client->offers(ServiceFeature::CompileErrors),
                                                  m_request.has_value() || m_deployer->hasWaiting()});
    if (round == AutoFixPolicy::GaveUp) {
        notice(tr("Automatic fixing stopped after %1 rounds with errors left. Press \"Ask to fix these errors\" "
                  "to try once more, or change your request.")
                   .arg(AutoFixPolicy::Rounds));
        return;
    }
    if (round == 0) {
        if (errors.isEmpty())
            autoBacktest();
        return;
    }
    notice(tr("Asking the code generator to fix the errors (automatic round %1 of %2).").arg(round).arg(AutoFixPolicy::Rounds));
    dispatch(fixRequest(errors), errors, m_current);
}

// --- Backtests ---------------------------------------------------------------------------

void Conversation::backtest(int number, const BacktestChoice &choice)
{
    const Step step(this);
    if (number < 0 || number >= m_deployer->count())
        return;
    m_backtestChoice = choice;
    noteChange();
    if (m_backtester->isRunning()) {
        notice(tr("A backtest is running already: wait for its result, or stop it first."));
        return;
    }
    m_backtester->start(number, m_deployer->backtestSettings(number, choice));
}

BacktestChoice Conversation::backtestChoiceFor(int number) const
{
    if (m_backtestChoice)
        return *m_backtestChoice;
    return BacktestChoice::defaults(m_deployer->platformOf(number),
                                    BacktestChoice::notedTimeframe(m_deployer->program(number)), QDate::currentDate());
}

// A clean compile of the newest Expert Advisor is tested by itself when the trader chose so.
void Conversation::autoBacktest()
{
    const int newest = m_deployer->count() - 1;
    if (m_autoBacktest && newest >= 0 && m_deployer->typeOf(newest) == Protocol::ProgramType::ExpertAdvisor
        && !m_backtester->isRunning())
        backtest(newest, backtestChoiceFor(newest));
}

// A test that ended is kept once, with its card or with why there is none.
void Conversation::onTested(int number, const BacktestRun::Result &result)
{
    if (result.report)
        m_deployer->setBacktest(number, *result.report);
    noteChange();
}
