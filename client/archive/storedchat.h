#pragma once

#include "protocol/domain.h"
#include "client/conversation/backtestchoice.h"
#include "client/conversation/chatentry.h"
#include "client/conversation/chatevent.h"
#include "report/testerreport.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// A chat as the client keeps it across restarts: what the list shows of it, its transcript, and
// every version of the programs written in it. Plain values, so that a copy handed to the
// archive's writing thread shares its text instead of copying it.

// One version of a program: what it was when it was written or chosen.
struct ProgramVersion final
{
    enum class Verdict {
        NotCompiled, // not compiled (yet)
        Compiled,    // the compiler reported no errors
        Errors,      // the compiler reported errors, listed in errors
        Failed,      // the compiler did not run or left no log
    };

    struct Risk final
    {
        QString rule; // the risk review's stable id, e.g. "no-stop-loss"
        int line = 0; // 1-based
    };

    QString source;
    QString filePath;  // where it was saved; empty when it never was
    QDateTime time;
    QString request;   // what the trader asked for to get it
    Verdict verdict = Verdict::NotCompiled;
    QStringList errors; // the compiler's error lines, for Errors
    QList<Risk> risks;
    int number = -1;   // the program number the transcript's links carry for it; -1 for none
    QString replacedKeptAt; // where its save set aside the file's earlier content; empty for none
    std::optional<TesterReport> backtest; // what its last test in the terminal's tester came to
};

// A request of the trader's and what came of it, as the code generator is told of the chat:
// the program it asked to change and the one answered (program numbers, -1 for none), and
// whether a later request took its place (Regenerate, Edit). Made from the chat's events.
struct ChatTurnRecord final
{
    QString request;
    int basedOn = -1;
    int answer = -1;
    bool replaced = false;
};

// A program of the chat (one file name) with its versions, oldest first.
struct StoredProgram final
{
    QString name;
    QList<ProgramVersion> versions;
};

// What the list shows of a chat.
struct ChatHeading
{
    QString id;
    QString title;
    Protocol::Platform platform = Protocol::Platform::Mt5;
    Protocol::ProgramType type = Protocol::ProgramType::Indicator;
    QString programName;
    QDateTime created;
    QDateTime updated;
};

// The list's row of a chat, and the index's entry. A damaged chat file has been set aside: its
// row's id is the set-aside file's name, its title the last one known (or that file's name).
struct ChatSummary final : ChatHeading
{
    bool damaged = false;
};

struct StoredChat final : ChatHeading
{
    // Which version of which program the chat works on; -1 for none.
    struct ProgramRef final
    {
        int program = -1;
        int version = -1;
    };

    QList<ChatEvent> events;
    QList<StoredProgram> programs;
    ProgramRef current;
    QString sessionId;       // the service's session it last had
    QString draft;           // typed and not sent
    QString requestInFlight; // sent and not answered: it goes back into the field on reopening
    std::optional<BacktestChoice> backtestChoice; // the form of the chat's last test
};

namespace StoredChats {

// A new chat's id: unique, and usable as a file name everywhere.
QString newId();

// The first request as a title: its first line, blanks folded, cut at a word near 60 characters.
QString titleFor(const QString &request);

ChatSummary summaryOf(const StoredChat &chat);

QJsonObject toJson(const StoredChat &chat);
// nullopt when json is not a chat (a required field missing or of the wrong kind).
std::optional<StoredChat> fromJson(const QJsonObject &json);

QJsonObject summaryToJson(const ChatSummary &summary);
std::optional<ChatSummary> summaryFromJson(const QJsonObject &json);

// Whether foldedText holds foldedNeedle where a word begins: "rsi" finds "RSI 14", never
// "version". Text in a script without blanks between words (Chinese) matches anywhere.
bool matchesWordStart(const QString &foldedText, const QString &foldedNeedle);

// What a search looks through besides the title: the trader's requests, the answers'
// explanations, what older chats showed, and the programs' names, case-folded.
QString searchText(const StoredChat &chat);

// The bubbles of a chat that is not open, in the interface's language.
QList<ChatEntry> entriesOf(const StoredChat &chat);

// A transcript as plain text, each bubble headed by who said it, programs written out whole.
QString conversationText(const QList<ChatEntry> &entries, const QString &userName, const QString &serviceName);

} // namespace StoredChats
