#include "client/conversation/conversation.h"

#include "platform/deployment.h"
#include "platform/programfile.h"
#include "protocol/domain.h"
#include "client/connection/codegeneratorinuse.h"
#include "client/conversation/backtester.h"
#include "client/conversation/chataction.h"
#include "client/conversation/chatpresenter.h"
#include "client/conversation/distinctversions.h"
#include "client/conversation/programdeployer.h"
#include "client/connection/sessionclient.h"
#include "client/conversation/transcript.h"

#include <QFileInfo>

#include <algorithm>

namespace {

// The program the open session last wrote or was given is not known (a chat reopened).
constexpr int kUnknownProgram = -2;

constexpr int kTickMs = 1000;
constexpr int kLiveRefreshMs = 150;

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
    , m_backtester(new Backtester(bounds.backtestMs, this))
{
    m_transcript->setRenderer([this](int index, const ChatEvent &event) { return render(index, event); });
    connect(m_backtester, &Backtester::started, this, [this](const QString &expert) {
        m_testWait = m_transcript->add(ChatEvent::wait(ChatEvent::Waiting::Backtest, expert));
        m_stepTicker.start();
    });
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
    connect(m_client, &ChatTransport::sessionNotice, this, [this](const QString &text) { notice(text); });
    connect(m_client, &ChatTransport::requestHeldBack, this, [this] {
        if (m_request)
            returnRequest(ChatEvent::Ending::Failed, {});
    });
    connect(m_client, &ChatTransport::streamed, this, [this] {
        if (!m_liveRefresh.isActive())
            m_liveRefresh.start();
    });
    connect(m_client, &ChatTransport::answered, this, &Conversation::takeAnswer);
    connect(m_client, &ChatTransport::requestFailed, this,
            [this](const QString &why) { returnRequest(ChatEvent::Ending::Failed, why); });
    connect(m_client, &ChatTransport::requestStopped, this,
            [this] { returnRequest(ChatEvent::Ending::Stopped, QT_TR_NOOP("Stopped. Your request is back in the request field.")); });
    m_ticker.setInterval(kTickMs);
    connect(&m_ticker, &QTimer::timeout, this, &Conversation::tick);
    m_liveRefresh.setSingleShot(true);
    m_liveRefresh.setInterval(kLiveRefreshMs);
    connect(&m_liveRefresh, &QTimer::timeout, this, [this] {
        if (m_request)
            m_transcript->update(m_request->wait);
    });
    // Kept at each event recorded, never at a waiting bubble's clock or stream.
    connect(m_transcript, &Transcript::recorded, this, &Conversation::noteChange);
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

int Conversation::notice(const QString &source, const QStringList &args)
{
    return m_transcript->add(ChatEvent::notice(source, args));
}

qsizetype Conversation::lastRequestEvent() const
{
    const QList<ChatEvent> &events = m_transcript->events();
    for (qsizetype index = events.size() - 1; index >= 0; --index) {
        if (events.at(index).type == ChatEvent::Type::Request)
            return index;
    }
    return -1;
}

QList<ChatEntry> Conversation::render(int index, const ChatEvent &event) const
{
    if (event.type == ChatEvent::Type::Wait && m_request && m_request->wait == index)
        return {ChatPresenter::answerWaitingEntry(m_client->stream(), m_request->clock.elapsed())};
    ChatPresenter::Context context;
    context.index = index;
    const qsizetype lastRequest = lastRequestEvent();
    context.lastTurn = event.type == ChatEvent::Type::Request ? index == lastRequest : index > lastRequest;
    if (event.type == ChatEvent::Type::Answer || event.type == ChatEvent::Type::Opened) {
        context.code = m_deployer->program(event.program);
        const QList<ProgramVersion> versions = versionsOf(event.program);
        context.versions = versions.size() < 2 ? 0 : int(distinctVersions(versions, m_current).size());
    }
    if (event.type == ChatEvent::Type::Wait)
        context.runningMs = event.waiting == ChatEvent::Waiting::Compile ? m_deployer->compileElapsedMs() : m_backtester->elapsedMs();
    return ChatPresenter::entries(event, context);
}

void Conversation::addNotice(const QString &text)
{
    notice(text);
}

QString Conversation::conversationText() const
{
    return StoredChats::conversationText(m_transcript->entries(), tr("You"), tr("TavrinAI"));
}

void Conversation::keepInto(StoredChat &chat) const
{
    const bool used = m_client->chat().used;
    const Choice choice = used ? currentChoice() : m_choice;
    chat.platform = choice.platform;
    chat.type = choice.type;
    chat.programName = m_programName;
    chat.events = m_transcript->events();
    // A compile or test that runs is kept as not finished; a request on its way goes back into
    // the field when the chat is reopened, its wait with it.
    // The events are shared with the transcript's until one is changed here.
    for (const int wait : {m_compileWait, m_testWait}) {
        if (wait >= 0)
            chat.events[wait].ending = ChatEvent::Ending::Unfinished;
    }
    chat.backtestChoice = m_backtestChoice;
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
    const bool used = std::any_of(chat.events.cbegin(), chat.events.cend(),
                                  [](const ChatEvent &event) { return event.type == ChatEvent::Type::Request; });
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
    qsizetype shown = chat.events.size();
    if (!chat.requestInFlight.isEmpty()) {
        while (shown > 0 && chat.events.at(shown - 1).type != ChatEvent::Type::Request)
            --shown;
        shown = std::max<qsizetype>(0, shown - 1);
    }
    const QList<ChatEvent> events = chat.events.mid(0, shown);
    m_turns.clear();
    for (const ChatEvent &event : events)
        noteTurn(event);
    m_transcript->assign(events);
}

// The turns the code generator is told of follow the requests and answers recorded.
void Conversation::noteTurn(const ChatEvent &event)
{
    if (event.type == ChatEvent::Type::Request) {
        if (event.replaces >= 0 && event.replaces < m_turns.size())
            m_turns[event.replaces].replaced = true;
        m_turns.append({event.text, event.basedOn, -1, false});
    } else if (event.type == ChatEvent::Type::Answer && !m_turns.isEmpty() && m_turns.constLast().answer < 0) {
        m_turns.last().answer = event.program;
    }
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
    ChatEvent chosen;
    chosen.type = ChatEvent::Type::VersionChosen;
    chosen.program = m_current;
    chosen.time = time;
    m_transcript->add(chosen);
    m_transcript->refresh();
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
    openSession(m_choice, ChatEvent::SessionReason::New, {}, m_current);
    m_client->markUsed();
    ChatEvent opened;
    opened.type = ChatEvent::Type::Opened;
    opened.program = m_current;
    opened.path = program.path;
    opened.offline = m_generator.kind == CodeGeneratorInUse::Kind::Templates;
    m_transcript->add(opened);
    if (!m_client->offers(ServiceFeature::History))
        notice(QT_TR_NOOP("This code generator cannot be given a program to change: it writes a new one from your request."));
    return true;
}

void Conversation::openSession(const Choice &choice, ChatEvent::SessionReason reason, const QList<ChatTurn> &history,
                               int program)
{
    // A session that continues what the chat shows says so, without a greeting.
    m_client->open(choice.platform, choice.type, {history, m_deployer->program(program)},
                   reason == ChatEvent::SessionReason::New ? ChatTransport::Greeting::Shown : ChatTransport::Greeting::Quiet);
    m_serviceProgram = program;
    m_deployer->setChat(m_client->chat().serial);
    m_backtester->setChat(m_client->chat().serial);
    ChatEvent opened;
    opened.type = ChatEvent::Type::Session;
    opened.platform = choice.platform;
    opened.programType = choice.type;
    opened.reason = reason;
    m_transcript->add(opened);
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
    openSession(m_choice, ChatEvent::SessionReason::New);
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
        notice(QT_TR_NOOP("Please enter your request!"));
        return SendOutcome::Refused;
    }
    if (m_programName.trimmed().isEmpty()) {
        notice(QT_TR_NOOP("Name cannot be empty!"));
        return SendOutcome::Refused;
    }
    if (const QString problem = Deployment::sourceNameProblem(m_programName.trimmed()); !problem.isEmpty()) {
        notice(QT_TR_NOOP("Please choose another name: %1."), {problem});
        return SendOutcome::Refused;
    }
    if (m_request) {
        notice(QT_TR_NOOP("A request is already on its way: wait for its answer, or press Stop."));
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
        notice(QT_TR_NOOP("This chat writes %1 %2. Press New Chat to start a chat for %3 %4."),
               {Protocol::wireName(m_client->chat().platform), programsName(m_client->chat().type),
                Protocol::wireName(m_choice.platform), programsName(m_choice.type)});
        return SendOutcome::Refused;
    }
    m_refusedForChoice = false;
    m_autoFix.reset();
    int basedOn = m_current;
    qsizetype replacedTurn = -1;
    if (const qsizetype replaced = std::exchange(m_replacing, -1); replaced >= 0 && replaced == lastTurn(replaced)) {
        // The new request changes what the one it replaces was asked to change.
        replacedTurn = turnOf(replaced);
        basedOn = m_turns.value(replacedTurn).basedOn;
        replaceTurn(replacedTurn);
    }
    // The errors "Ask to fix these errors" suggested go with the request while their program is
    // still the one it changes.
    const int fixing = std::exchange(m_suggestedFix, -1);
    dispatch(request, fixing >= 0 && fixing == basedOn ? m_deployer->errorsOf(fixing) : QStringList(), basedOn,
             int(replacedTurn));
    return SendOutcome::Sent;
}

void Conversation::dispatch(const QString &request, const QStringList &compileErrors, int basedOn, int replaces)
{
    m_client->markUsed();
    ChatEvent asked;
    asked.type = ChatEvent::Type::Request;
    asked.text = request;
    asked.basedOn = basedOn;
    asked.replaces = replaces;
    m_request.emplace();
    m_request->text = request;
    m_request->compileErrors = compileErrors;
    m_request->clock.start();
    noteTurn(asked);
    m_transcript->add(asked);
    // Set first: the waiting bubble is the conversation's own from its first showing.
    m_request->wait = int(m_transcript->events().size());
    m_transcript->add(ChatEvent::wait(ChatEvent::Waiting::Answer));
    // The earlier request and answer no longer offer Edit and Regenerate.
    m_transcript->refresh();
    m_ticker.start();
    Q_EMIT requestInFlightChanged(true);
    // Without an id yet, the request waits for the session; one that failed is opened again,
    // from what was said before.
    if (m_client->sessionFailed()) {
        openSession(currentChoice(), ChatEvent::SessionReason::New, history(m_turns.size() - 1), basedOn);
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

void Conversation::tick()
{
    if (m_request)
        m_transcript->update(m_request->wait);
    else
        m_ticker.stop();
}

// The waiting bubble says how the wait ended and how long it took, without its Stop. A
// request still waiting for its session (stopped meanwhile) does not go out later.
void Conversation::finishRequest(ChatEvent::Ending ending)
{
    ChatEvent waited = ChatEvent::wait(ChatEvent::Waiting::Answer);
    waited.ending = ending;
    waited.elapsedMs = m_request->clock.elapsed();
    const int wait = m_request->wait;
    m_client->drop();
    m_request.reset();
    m_transcript->change(wait, waited);
    Q_EMIT requestInFlightChanged(false);
}

void Conversation::returnRequest(ChatEvent::Ending ending, const QString &why)
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
    finishRequest(ChatEvent::Ending::Stopped);
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
        returnRequest(ChatEvent::Ending::Stopped, QT_TR_NOOP("Stopped. Your request is back in the request field."));
    }
}

void Conversation::takeAnswer(const ServiceReply &answer)
{
    const Step step(this);
    if (answer.kind != ServiceReply::Kind::Chat) {
        returnRequest(ChatEvent::Ending::Failed, {});
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
        const QString refusal = refusalText(answer, m_generator.usesOwnKey());
        returnRequest(ChatEvent::Ending::Refused,
                      !refusal.isEmpty() ? refusal : QT_TR_NOOP("The code generator refused without giving a reason."));
        return;
    }
    const QString request = m_request->text;
    finishRequest(ChatEvent::Ending::Answered);

    const int number = m_deployer->keep(answer.response, request, m_client->chat().platform, m_client->chat().type,
                                        answer.hasWarnings ? std::optional(answer.warnings) : std::nullopt);
    m_current = number;
    m_serviceProgram = number;
    ChatEvent written;
    written.type = ChatEvent::Type::Answer;
    written.program = number;
    written.text = answer.message;
    written.name = m_generator.identity();
    noteTurn(written);
    m_transcript->add(written);
    // Earlier bubbles of the same program offer its versions, now one more.
    m_transcript->refresh();
    notice(QT_TR_NOOP("%1 %2 generated successfully!\nCompiling..."),
           {Protocol::wireName(m_client->chat().platform), programName(m_client->chat().type)});
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

qsizetype Conversation::turnOf(qsizetype requestEvent) const
{
    const QList<ChatEvent> &events = m_transcript->events();
    return std::count_if(events.cbegin(), events.cbegin() + std::min(requestEvent, events.size()),
                         [](const ChatEvent &event) { return event.type == ChatEvent::Type::Request; });
}

// The turn is no longer part of what the code generator is told of the chat.
void Conversation::replaceTurn(qsizetype turn)
{
    if (turn >= m_turns.size())
        return;
    if (!m_client->offers(ServiceFeature::History))
        return; // the service keeps the earlier turn: the request follows it
    openSession(currentChoice(), ChatEvent::SessionReason::Replacing, history(turn), m_turns.at(turn).basedOn);
    m_client->markUsed();
}

qsizetype Conversation::lastTurn(qsizetype event) const
{
    const qsizetype request = lastRequestEvent();
    return event >= 0 && event < m_transcript->events().size() && event >= request ? request : -1;
}

void Conversation::continueForgotten()
{
    m_request->retried = true;
    // The request on its way is sent again in the new session, not seeded.
    const QList<ChatTurn> earlier = history(m_turns.size() - 1);
    const int basedOn = m_turns.isEmpty() ? m_current : m_turns.constLast().basedOn;
    const bool told = m_client->offers(ServiceFeature::History);
    using Reason = ChatEvent::SessionReason;
    openSession(currentChoice(), earlier.isEmpty() ? Reason::Forgotten : told ? Reason::ForgottenSeeded : Reason::ForgottenUntold,
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
            Q_EMIT requestEdited(m_transcript->events().at(number).text);
        }
        break;
    case ChatAction::Kind::Regenerate:
        if (const qsizetype turn = lastTurn(number); !m_request && turn >= 0) {
            m_replacing = turn;
            if (send(m_transcript->events().at(turn).text) == SendOutcome::Refused)
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
            notice(QT_TR_NOOP("A later version was saved over this one: choose it in Versions and use it again to test it."));
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

// Each step of a program's way into the terminal is recorded as it ends; a running compile's
// bubble counts its seconds until then.
void Conversation::connectDeployer()
{
    const auto recordStep = [this](const ChatEvent::StepResult &result) {
        const Step step(this);
        m_transcript->add(ChatEvent::ofStep(result));
    };
    connect(m_deployer, &ProgramDeployer::saved, this, recordStep);
    connect(m_deployer, &ProgramDeployer::risksFound, this, recordStep);
    connect(m_deployer, &ProgramDeployer::restored, this, recordStep);
    connect(m_deployer, &ProgramDeployer::compileStarted, this, [this](const QString &fileName) {
        m_compileWait = m_transcript->add(ChatEvent::wait(ChatEvent::Waiting::Compile, fileName));
        m_stepTicker.start();
    });
    m_stepTicker.setInterval(kTickMs);
    connect(&m_stepTicker, &QTimer::timeout, this, [this] {
        if (!m_deployer->isCompiling() && !m_backtester->isRunning())
            m_stepTicker.stop();
        if (m_deployer->isCompiling())
            m_transcript->update(m_compileWait);
        if (m_backtester->isRunning())
            m_transcript->update(m_testWait);
    });
    connect(m_deployer, &ProgramDeployer::compiled, this, [this](const DeploySteps::Compile &compile) {
        const Step step(this);
        // The bubble that counted the seconds says how the compile ended; its results follow.
        const ChatEvent::Ending ending = compile.stopped ? ChatEvent::Ending::Stopped
            : compile.started && compile.problem.isEmpty() ? ChatEvent::Ending::Finished
                                                           : ChatEvent::Ending::Failed;
        endWait(std::exchange(m_compileWait, -1), ending, compile.elapsedMs);
        m_transcript->add(ChatEvent::ofStep(compile));
    });
    // The bubbles that counted seconds are gone with the transcript.
    connect(m_transcript, &Transcript::cleared, this, [this] { m_compileWait = m_testWait = -1; });
}

void Conversation::endWait(int wait, ChatEvent::Ending ending, qint64 elapsedMs)
{
    if (wait < 0)
        return;
    ChatEvent waited = m_transcript->events().at(wait);
    waited.ending = ending;
    waited.elapsedMs = elapsedMs;
    m_transcript->change(wait, waited);
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
        notice(QT_TR_NOOP("Automatic fixing stopped after %1 rounds with errors left. Press \"Ask to fix these errors\" "
                          "to try once more, or change your request."),
               {QString::number(AutoFixPolicy::Rounds)});
        return;
    }
    if (round == 0) {
        if (errors.isEmpty())
            autoBacktest();
        return;
    }
    notice(QT_TR_NOOP("Asking the code generator to fix the errors (automatic round %1 of %2)."),
           {QString::number(round), QString::number(AutoFixPolicy::Rounds)});
    dispatch(fixRequest(errors), errors, m_current, -1);
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
        notice(QT_TR_NOOP("A backtest is running already: wait for its result, or stop it first."));
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
    const Step step(this);
    const ChatEvent::Ending ending = result.process.ending == TerminalProcess::Outcome::Ending::Stopped
        ? ChatEvent::Ending::Stopped
        : result.reportWritten ? ChatEvent::Ending::Finished : ChatEvent::Ending::Failed;
    endWait(std::exchange(m_testWait, -1), ending, m_backtester->elapsedMs());
    m_transcript->add(ChatEvent::ofStep(result));
    if (result.report)
        m_deployer->setBacktest(number, *result.report);
}
