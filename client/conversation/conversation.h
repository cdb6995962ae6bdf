#pragma once

#include "platform/backtestrun.h"
#include "platform/compilerrun.h"
#include "client/conversation/backtestchoice.h"
#include "client/conversation/autofixpolicy.h"
#include "client/conversation/chatentry.h"
#include "client/conversation/chatevent.h"
#include "client/connection/codegeneratorinuse.h"
#include "client/connection/serviceaccess.h"
#include "client/archive/storedchat.h"

struct ProgramFile;

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <optional>

class Backtester;
class ProgramDeployer;
class ChatTransport;
class Transcript;

// How long the terminal's programs may run before they are stopped.
struct TerminalBounds final
{
    int compileMs = CompilerRun::TimeoutMs;
    int backtestMs = BacktestRun::TimeoutMs;
};

// The conversation with the code-generation service, without widgets, coordinating its parts:
// a ChatTransport (SessionClient, over HTTP) talks to the service (version check, session, one
// request at a time, Stop), the ProgramDeployer takes the programs of its answers into the terminal (saved,
// earlier file contents kept, compiled asynchronously), the AutoFixPolicy decides when compile
// errors go back by themselves, and the Transcript holds what happened as events, which
// ChatPresenter words as bubbles. The window feeds it what the form says and shows the bubbles
// it reports; tests drive it directly.
class Conversation final : public QObject
{
    Q_OBJECT

public:
    // What the trader chose for the chat.
    struct Choice final
    {
        Protocol::Platform platform = Protocol::Platform::Mt4;
        Protocol::ProgramType type = Protocol::ProgramType::Indicator;
    };

    enum class SendOutcome {
        Sent,     // taken: the request field may be cleared
        Refused,  // a notice says why; the request field stays as it is
    };

    explicit Conversation(QObject *parent = nullptr, const ServiceTimeouts &timeouts = {}, const TerminalBounds &bounds = {});
    // Talks to the code generator through transport, which it takes over.
    Conversation(ChatTransport *transport, const TerminalBounds &bounds, QObject *parent = nullptr);
    ~Conversation() override;

    // "en", "zh-CN" or "zh-TW": sent with every request.
    void setLanguage(const QString &code);
    // Read when an answer is saved, not when it was asked for, so that a folder fixed while
    // waiting counts.
    void setFolders(Protocol::Platform platform, const QString &installFolder, const QString &dataFolder);
    void setProgramName(const QString &name);
    // The form changed: a chat nobody used yet follows it.
    void setChoice(const Choice &choice);
    // Labels of the program types in the interface's language ("Indicator", "EA").
    void setProgramLabels(const QString &indicator, const QString &ea);
    // With a service that takes compile errors, a compile that reports errors is sent back by
    // itself, at most twice in a row.
    void setAutoFix(bool on) { m_autoFix.setEnabled(on); }
    // A clean compile of an Expert Advisor is tested by itself, as the chat's form last said.
    void setAutoBacktest(bool on) { m_autoBacktest = on; }
    // What writes the programs now: each answer keeps it; a model server behind the service with
    // the trader's own key says so in its refusals; an opened program says what the offline
    // templates can do with it.
    void setCodeGenerator(const CodeGeneratorInUse &inUse) { m_generator = inUse; }

    // Checks the version at baseUrl, without blocking; a passed check opens the first chat.
    // Another address (Settings > Code generator) starts anew: the open chat is ended quietly
    // at its own service, and whatever was on its way there is dropped.
    void start(const QString &baseUrl);
    // The service is about to be replaced: its chat is ended there now, quietly, and nothing on
    // its way from it is taken any more; start() then begins at the new one.
    void leave() { leaveService(false); }
    // Set when the client can start a service of its own: the first check that reaches no
    // service then reports serviceUnreachable() and waits for start() to be called again.
    void setServiceStarter(bool available);
    bool isLive() const;
    bool isRequestInFlight() const { return m_request.has_value(); }
    bool isCompiling() const;
    bool isBacktesting() const;

    SendOutcome send(const QString &request);
    // Stops the compile if one runs, else the backtest, else the request in flight.
    void stop();
    // Tests the saved program number in its terminal's Strategy Tester; the chat keeps choice
    // for its next test.
    void backtest(int number, const BacktestChoice &choice);
    // What the chat's next test of program number starts from: its last choice, else the
    // defaults for the program.
    BacktestChoice backtestChoiceFor(int number) const;
    // An action link of an entry; false when the href is not one of the conversation's.
    bool activate(const QString &href);
    // New Chat; true when the request field keeps its text (the last Send was refused for not
    // fitting the chat, and New Chat is how that request gets sent).
    bool newChat();
    // A new chat about a program of the trader's own: it is the chat's program, the one the
    // first request changes. False when no service is live to open it with.
    bool openProgram(const ProgramFile &program);
    // A notice of the window's own (what Auto detect found, a file it cannot open).
    void addNotice(const QString &text);
    // The trader leaves the chat for another: its request on its way ends there as stopped.
    // The request's text; empty when none was on its way.
    QString abandonRequest();
    // Ends the sessions opened in this run as the window closes, without waiting for them:
    // closed() follows once the service answered, or when the closing bound expires. A request
    // on its way is dropped, so that nothing is saved or compiled after the window is gone.
    void close();

    // A kept program, by the number its links carry.
    QString program(int number) const;
    // The versions of the program number is one of, oldest first, and the one the chat works on.
    QList<ProgramVersion> versionsOf(int number) const;
    int currentProgram() const { return m_current; }
    // Makes the version number the chat's program again: kept as the newest, saved and compiled,
    // and the program the next request continues from.
    void useVersion(int number);

    // The conversation with its programs, each entry headed by who said it, for saving.
    QString conversationText() const;

    // What the chat is now, for keeping: its platform, type and program name, transcript,
    // programs, session and the request on its way. The heading's other fields are left.
    void keepInto(StoredChat &chat) const;
    // Shows a kept chat as it was left and continues it, in the session it last had. A
    // request on its way in the chat left is dropped (its chat keeps it, to send again).
    void reopen(const StoredChat &chat);

Q_SIGNALS:
    void versionRefused(const QString &title, const QString &text);
    void serviceUnreachable();
    void liveChanged(bool live);
    void transcriptCleared();
    void entryAdded(int id, const ChatEntry &entry);
    void entryChanged(int id, const ChatEntry &entry);
    void requestInFlightChanged(bool inFlight);
    // A request that did not go through, for the request field when it is empty.
    void requestReturned(const QString &request);
    // A request the trader should read before sending it (compile errors to fix).
    void requestSuggested(const QString &request);
    // A kept program to be shown whole, at the given line (1-based) or at its top (0).
    void programShown(int number, int line);
    void programCopied(int number);
    // "Edit" of the last request: the field takes its text, and the next Send replaces it.
    void requestEdited(const QString &request);
    // "Versions" of a program's bubble: the window lists them.
    void versionsShown(int number);
    // "Backtest" of a clean compile: the window asks for the test's settings, then calls backtest().
    void backtestAsked(int number, Protocol::Platform platform, const BacktestChoice &choice);
    // The session close() ended is ended, or the bound for it expired.
    void closed();
    // Something keepInto() reports has changed, once per step as it ends (a request sent, an
    // answer taken in with its save); a cleared transcript is reported by transcriptCleared()
    // alone (a new chat begins, or a kept one is reopened).
    void changed();

private:
    // The trader's request until its answer, as the chat shows it.
    struct Request final
    {
        // Declared here, defined out of line: an optional of a nested type with member
        // initialisers must know it can be built before the enclosing class is complete.
        Request();

        QString text;
        QStringList compileErrors;     // sent as data beside the text
        int wait = -1;                 // the event of its wait
        QElapsedTimer clock;
        bool retried = false;          // sent once more in a chat opened for it
    };

    // What one step of the conversation changes is kept once, as it ends: a request sent with
    // its waiting bubble, an answer with its save. Steps within a step are part of it.
    class Step final
    {
    public:
        explicit Step(Conversation *conversation);
        ~Step();
        Q_DISABLE_COPY_MOVE(Step)

    private:
        Conversation *m_conversation;
    };
    // Reported by changed() now, or when the step under way ends.
    void noteChange();

    // A notice of the client's own: source is the text marked for translation, args fill it in.
    int notice(const QString &source, const QStringList &args = {});
    void noteTurn(const ChatEvent &event);
    QList<ChatEntry> render(int index, const ChatEvent &event) const;
    qsizetype lastRequestEvent() const;
    // A running compile's or test's wait ended.
    void endWait(int wait, ChatEvent::Ending ending, qint64 elapsedMs);

    void onLive();
    // Replaces the open session by a new one for the chosen platform and program type, which
    // knows history and the program number program. The chat says so, and why; a new chat with
    // the service's greeting.
    void openSession(const Choice &choice, ChatEvent::SessionReason reason, const QList<ChatTurn> &history = {},
                     int program = -1);
    // What a new session is told of the chat before turn upTo: the requests answered before
    // it, none that another took the place of, each with the program it was answered with.
    QList<ChatTurn> history(qsizetype upTo) const;
    // The turn of the request at event requestEvent.
    qsizetype turnOf(qsizetype requestEvent) const;
    // The request takes the place of the trader's turn: a service that takes a chat's history
    // continues from what was said before it.
    void replaceTurn(qsizetype turn);
    // The request event of the chat's last turn, when event is part of it; else -1.
    qsizetype lastTurn(qsizetype event) const;
    // The service forgot the chat: one new session, seeded when it can be, takes the request.
    void continueForgotten();
    Choice currentChoice() const; // what the open session writes
    void restartChat();
    void leaveService(bool closing);
    // basedOn: the program the request asks to change.
    // replaces: the turn the request takes the place of; -1 for none.
    void dispatch(const QString &request, const QStringList &compileErrors, int basedOn, int replaces);
    void post(const QString &request, const QStringList &compileErrors, int basedOn);
    void takeAnswer(const ServiceReply &answer);
    void finishRequest(ChatEvent::Ending ending);
    // why: a notice's text, as notice() takes it.
    void returnRequest(ChatEvent::Ending ending, const QString &why);
    void tick();
    QString programName(Protocol::ProgramType type) const;
    QString programsName(Protocol::ProgramType type) const;
    void connectDeployer();
    void onNewestCompiled(const QStringList &errors);
    void autoBacktest();
    void onTested(int number, const BacktestRun::Result &result);

    ChatTransport *m_client = nullptr;
    Transcript *m_transcript = nullptr;
    ProgramDeployer *m_deployer = nullptr;
    Backtester *m_backtester = nullptr;
    std::optional<BacktestChoice> m_backtestChoice; // the chat's last test
    bool m_autoBacktest = false;
    Choice m_choice;
    QString m_indicatorLabel;
    QString m_eaLabel;
    QString m_programName;

    int m_current = -1; // the program the chat works on
    QList<ChatTurnRecord> m_turns; // one per request event
    int m_serviceProgram = -1; // the program the open session last wrote or was given
    qsizetype m_replacing = -1; // the trader's turn the next Send replaces (Edit, Regenerate)
    std::optional<Request> m_request;
    // Set when a Send was refused for not fitting the chat: New Chat then keeps its request.
    bool m_refusedForChoice = false;
    // The program whose errors "Ask to fix these errors" put into the request field; -1 for none.
    int m_suggestedFix = -1;
    AutoFixPolicy m_autoFix;
    CodeGeneratorInUse m_generator;
    int m_steps = 0;        // steps under way
    bool m_changed = false; // by the steps under way
    QTimer m_liveRefresh; // a streamed answer's bubble follows it a few times a second
    QTimer m_ticker;      // the waiting bubble counts the seconds
    int m_compileWait = -1; // the event of a running compile
    int m_testWait = -1;    // the event of a running test
    QTimer m_stepTicker;    // their bubbles count the seconds
};
