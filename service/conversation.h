#pragma once

#include "platform/compilerrun.h"
#include "service/chatentry.h"
#include "service/chatsession.h"
#include "protocol/eventstream.h"
#include "service/serviceaccess.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

// The conversation with the code-generation service, without widgets: the version check, the
// chat's session, one request at a time, the programs of its answers, their saving (earlier
// file contents kept) and their asynchronous compile. The window feeds it what the form says
// and renders the entries it reports; tests drive it directly.
class Conversation final : public QObject
{
    Q_OBJECT

public:
    // What the trader chose for the chat: "MT4"/"MT5", "indicator"/"ea".
    struct Choice final
    {
        QString platform;
        QString codeType;
    };

    enum class SendOutcome {
        Sent,     // taken: the request field may be cleared
        Refused,  // a notice says why; the request field stays as it is
    };

    explicit Conversation(QObject *parent = nullptr, const ServiceTimeouts &timeouts = {},
                          int compileTimeoutMs = CompilerRun::TimeoutMs);
    ~Conversation() override;

    // "en", "zh-CN" or "zh-TW": sent with every request.
    void setLanguage(const QString &code) { m_language = code; }
    // Read when an answer is saved, not when it was asked for, so that a folder fixed while
    // waiting counts.
    void setFolders(const QString &platform, const QString &installFolder, const QString &dataFolder);
    void setProgramName(const QString &name) { m_programName = name; }
    // The form changed: a chat nobody used yet follows it.
    void setChoice(const Choice &choice);
    // Labels of the program types in the interface's language ("Indicator", "EA").
    void setProgramLabels(const QString &indicator, const QString &ea);
    // With a service that takes compile errors, a compile that reports errors is sent back by
    // itself, at most twice in a row.
    void setAutoFix(bool on) { m_autoFix = on; }
    // The model server behind the service uses the trader's own key: its refusal says so.
    void setOwnModelKey(bool own) { m_ownModelKey = own; }

    // Checks the version at baseUrl, without blocking; a passed check opens the first chat.
    void start(const QString &baseUrl);
    // Set when the client can start a service of its own: the first check that reaches no
    // service then reports serviceUnreachable() and waits for start() to be called again.
    void setServiceStarter(bool available) { m_mayAskForService = available; }
    bool isLive() const { return m_live; }
    bool isRequestInFlight() const { return m_request.has_value(); }
    bool isCompiling() const { return m_compile.isRunning(); }

    SendOutcome send(const QString &request);
    // Stops the compile if one runs, else the request in flight.
    void stop();
    // An action link of an entry; false when the href is not one of the conversation's.
    bool activate(const QString &href);
    // New Chat; true when the request field keeps its text (the last Send was refused for not
    // fitting the chat, and New Chat is how that request gets sent).
    bool newChat();
    // A notice of the window's own (what Auto detect found, a file it cannot open).
    void addNotice(const QString &text) { notice(text); }
    // Ends the open session with a bounded wait, as the window closes.
    void close();

    // A kept program, by the number its links carry.
    QString program(int number) const;

    // The conversation with its programs, each entry headed by who said it, for saving.
    QString conversationText() const;

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

private:
    struct Session final
    {
        ChatSession chat;
        QString id;
        bool failed = false;             // the service did not give it an id
    };

    struct Request final
    {
        // Declared here, defined out of line: an optional of a nested type with member
        // initialisers must know it can be built before the enclosing class is complete.
        Request();

        QString text;
        QStringList compileErrors;     // sent as data beside the text
        QPointer<QNetworkReply> reply; // null while it waits for the session's id
        int entry = -1;                // the waiting bubble
        QElapsedTimer clock;
        bool stopping = false;
        bool retried = false;          // sent once more in a chat opened for it
        // A streamed answer: the program as written so far, where its time goes, its end.
        EventStreamReader events;
        QString written;
        QElapsedTimer writing;
        ChatStreamEvent::Phase phase = ChatStreamEvent::Phase::Unknown;
        int position = 0;
        std::optional<ServiceReply> done;
    };

    struct Program final
    {
        QString code;
        Choice choice;
        QString sourcePath;      // where it was last saved
        QString earlierVersion;  // what that save replaced, kept aside
    };

    struct Folders final
    {
        QString install;
        QString data;
    };

    int add(const ChatEntry &entry);
    void change(int id, const ChatEntry &entry);
    int notice(const QString &text);
    void clearTranscript();

    void onVersionChecked(QNetworkReply *reply);
    // Replaces the open session by a new one for the chosen platform and program type.
    // A notice says so: "Creating new ..." unless another is given.
    void openSession(const Choice &choice, const QString &noticeText = {});
    Choice currentChoice() const; // what the open session writes
    void restartChat();
    void endSession(const QString &id);
    void abandonRequest();
    void onSessionOpened(QNetworkReply *reply, quint64 serial);
    void postRequest();
    void dispatch(const QString &request, const QStringList &compileErrors);
    void onStreamData(QNetworkReply *reply);
    void onChatAnswered(QNetworkReply *reply, quint64 serial);
    void takeAnswer(const ServiceReply &answer);
    void fixAutomatically(const QStringList &errors);
    void finishRequest();
    void returnRequest(const QString &why);
    void tick();
    ChatEntry waitingEntry() const;
    QString phaseText() const;
    ChatEntry compilingEntry() const;
    QString failureText(const QNetworkReply *reply) const;
    QString programName(const QString &codeType) const;
    QString programsName(const QString &codeType) const;

    void deployNext();
    void deploy(int number);
    void refuseDeployment(int number, const QString &text);
    QString folderProblem(const QString &platform, const Folders &folders) const;
    void warnOfRisks(int number);
    // What the chat says of a finished compile; errors: the lines of a log that reports errors.
    static QList<ChatEntry> compileResults(const CompilerRun::Outcome &outcome, bool reportsErrors,
                                           const QStringList &errors);
    void onCompiled(const CompilerRun::Outcome &outcome);
    void restore(int number);

    ServiceTimeouts m_timeouts;
    int m_compileTimeoutMs;
    QNetworkAccessManager *m_network = nullptr;
    QString m_language = QStringLiteral("en");
    QString m_baseUrl;
    bool m_live = false;
    QStringList m_features; // what the service offers beyond the plain protocol
    bool m_mayAskForService = false;
    Choice m_choice;
    QString m_indicatorLabel;
    QString m_eaLabel;
    QHash<QString, Folders> m_folders;
    QString m_programName;

    Session m_session;
    std::optional<Request> m_request;
    // Set when a Send was refused for not fitting the chat: New Chat then keeps its request.
    bool m_refusedForChoice = false;
    // The errors "Ask to fix these errors" put into the request field.
    QStringList m_suggestedErrors;
    bool m_autoFix = false;
    bool m_ownModelKey = false;
    int m_fixRounds = 0; // automatic fixes since the trader last asked for something
    QTimer m_liveRefresh; // a streamed answer's bubble follows it a few times a second

    QList<Program> m_programs;
    QList<int> m_deployQueue;
    CompilerRun::Job m_compile;
    int m_compileEntry = -1; // the bubble counting the compile's seconds
    int m_compiling = -1;    // the program being compiled
    quint64 m_compiledChat = 0; // the chat it belongs to
    QString m_compiledFile;
    QElapsedTimer m_compileClock;

    QTimer m_ticker;
    // Every entry of the chat, by id; an id is the entry's place.
    QList<ChatEntry> m_transcript;
};
