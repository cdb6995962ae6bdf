#pragma once

// The wire protocol between the client and the code-generation service: the endpoints, the
// JSON bodies each side builds and the way each side reads the other's. Both products link
// this one definition, so a field renamed on one side is renamed on the other.

#include "protocol/errorcode.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

struct ServerSentEvent;

// --- Where -----------------------------------------------------------------------------

// Endpoint paths, appended to the base address as plain text.
namespace ServicePath {
inline const QString NewChat = QStringLiteral("/api/new");
inline const QString Chat = QStringLiteral("/api/chat");
inline const QString Session = QStringLiteral("/api/session");
inline const QString VersionCheck = QStringLiteral("/api/version_check");
inline const QString Cancel = QStringLiteral("/api/cancel");
} // namespace ServicePath

// What a service may list in its version check's "features". One that lists none speaks only
// the plain protocol: whole answers, no Stop, compile errors as text in the request.
namespace ServiceFeature {
inline const QString Stream = QStringLiteral("stream");
inline const QString Cancel = QStringLiteral("cancel");
inline const QString CompileErrors = QStringLiteral("compile_errors");
// "/api/new" takes "history" and "current_program", "/api/chat" takes "current_program".
inline const QString History = QStringLiteral("history");
} // namespace ServiceFeature

// The keys of the bodies, lower case with underscores.
namespace Field {
inline const QString Success = QStringLiteral("success");
inline const QString Message = QStringLiteral("message");
inline const QString Error = QStringLiteral("error");
inline const QString ApiType = QStringLiteral("api_type");
inline const QString SessionId = QStringLiteral("session_id");
inline const QString UserMessage = QStringLiteral("user_message");
inline const QString Language = QStringLiteral("lang");
inline const QString CodeType = QStringLiteral("code_type");
inline const QString Platform = QStringLiteral("platform");
inline const QString CompileErrors = QStringLiteral("compile_errors");
inline const QString Data = QStringLiteral("data");
inline const QString Response = QStringLiteral("response");
inline const QString Warnings = QStringLiteral("warnings");
inline const QString Rule = QStringLiteral("rule");
inline const QString Line = QStringLiteral("line");
inline const QString ClientVersion = QStringLiteral("client_version");
inline const QString NeedUpdate = QStringLiteral("need_update");
inline const QString MinVersion = QStringLiteral("min_version");
inline const QString Features = QStringLiteral("features");
inline const QString Phase = QStringLiteral("phase");
inline const QString Position = QStringLiteral("position");
inline const QString Text = QStringLiteral("text");
inline const QString History = QStringLiteral("history");
inline const QString CurrentProgram = QStringLiteral("current_program");
inline const QString Role = QStringLiteral("role");
inline const QString Content = QStringLiteral("content");
} // namespace Field

// The "api_type" of each reply.
namespace ApiType {
inline const QString New = QStringLiteral("new");
inline const QString Chat = QStringLiteral("chat");
inline const QString Session = QStringLiteral("session");
inline const QString Cancel = QStringLiteral("cancel");
} // namespace ApiType

// The names of a streamed chat's events.
namespace StreamEventName {
inline const QByteArray Status = QByteArrayLiteral("status");
inline const QByteArray Delta = QByteArrayLiteral("delta");
inline const QByteArray Done = QByteArrayLiteral("done");
} // namespace StreamEventName

// The most a chat request may carry, in UTF-8 bytes and lines; the service refuses more with
// "request_too_large".
namespace RequestLimit {
constexpr qsizetype UserMessageBytes = 32 * 1024;
constexpr qsizetype CompileErrorLines = 200;
constexpr qsizetype CompileErrorBytes = 32 * 1024;
// Far beyond any program a chat writes.
constexpr qsizetype CurrentProgramBytes = 256 * 1024;
} // namespace RequestLimit

// The one line a code writer keeps in its program for itself (the offline generator's
// strategy): the file keeps it, so that the writer can continue from it; the chat hides it.
namespace WriterNote {
inline const QString Prefix = QStringLiteral("// tavrin-strategy: ");
bool isNoteLine(QStringView line);
} // namespace WriterNote

// --- Requests, as the client builds them -------------------------------------------------
// Built from the request types of "protocol/requests.h". Every request names the interface language ("en", "zh-CN" or "zh-TW") that its caller
// passes: in the "Accept-Language" header and, where the body has it, as "lang".

// The indented JSON text that every request carries.
QByteArray serviceRequestBody(const QJsonObject &body);

QJsonObject newChatBody(const QString &codeType, const QString &platform, const QString &language);

// One turn of a chat as the trader saw it.
struct ChatTurn final
{
    enum class Role { User, Assistant };

    Role role = Role::User;
    QString content;

    bool operator==(const ChatTurn &other) const
    {
        return role == other.role && content == other.content;
    }
};

// "user" or "assistant".
QString roleName(ChatTurn::Role role);
// Nullopt for any other name.
std::optional<ChatTurn::Role> roleNamed(const QString &name);

// What a new session continues from when the service forgot the chat's own.
struct ChatSeed final
{
    QList<ChatTurn> history;   // oldest first; the service keeps the latest turns
    QString currentProgram;    // the program the chat is working on; empty for none
};

// A new session seeded with the chat so far (the service must list "history"); empty parts of
// the seed are left out.
QJsonObject newChatBody(const QString &codeType, const QString &platform, const QString &language,
                        const ChatSeed &seed);
QJsonObject chatBody(const QString &sessionId, const QString &userMessage, const QString &language);
// A chat asking to fix the compiler's errors, "file(l,c) : error NNN: text" each, sent as data
// beside a short request text (the service must list "compile_errors"); only the first errors
// go, within the service's limits.
QJsonObject chatBody(const QString &sessionId, const QString &userMessage, const QString &language,
                     const QStringList &compileErrors);
// A chat that continues from the program the trader chose, the compile errors (if any) being
// that program's (the service must list "history"); an empty program is left out.
QJsonObject chatBody(const QString &sessionId, const QString &userMessage, const QString &language,
                     const QStringList &compileErrors, const QString &currentProgram);
// The first of errors that fit the service's limits for "compile_errors": a compiler that
// reports thousands of lines gets its first ones fixed, which often clears the rest.
QStringList boundedCompileErrors(const QStringList &errors);
// Stops the session's running generation (the service must list "cancel").
QJsonObject cancelBody(const QString &sessionId, const QString &language);
// The DELETE that New Chat sends; it names the language too.
QJsonObject endSessionBody(const QString &sessionId, const QString &language);
// The DELETE sent while the window closes carries the id alone.
QJsonObject closingSessionBody(const QString &sessionId);
QJsonObject versionCheckBody();

// --- Replies, as the service builds them ---------------------------------------------------

// {"success": false, "message": ..., "error": ...}, for a request the service cannot take.
QJsonObject refusalBody(const QString &message, Protocol::ErrorCode error);
// {"success": ..., "api_type": ..., "message": ...}, with "error" when one is given.
QJsonObject outcomeBody(bool success, const QString &apiType, const QString &message,
                        Protocol::ErrorCode error = Protocol::ErrorCode::None);

// --- Replies, as the client reads them -----------------------------------------------------
// Read by the service's rules: only the JSON literal true is true, a missing or non-string
// text is empty, a missing or non-object "data" is empty, and a body that is not a JSON
// object reads as an empty object.

// A risk the service found in the program it sent: the rule's id and the line (1-based).
struct RiskWarning final
{
    QString rule;
    int line = 0;
};

// What a reply of "/api/new" or "/api/chat" says.
struct ServiceReply final
{
    enum class Kind { Other, NewSession, Chat };

    Kind kind = Kind::Other;     // from "api_type", compared exactly
    bool success = false;
    QString message;
    // From "error"; None when the reply has none (a success, or an older service).
    Protocol::ErrorCode error = Protocol::ErrorCode::None;
    bool hasSessionId = false;   // the key "session_id" is present, whatever its type
    QString sessionId;
    QString response;            // "data" / "response"
    // "data" / "warnings"; hasWarnings tells an empty list from a service that sends none.
    bool hasWarnings = false;
    QList<RiskWarning> warnings;
};

ServiceReply parseServiceReply(const QByteArray &body);

// One event of a streamed chat.
struct ChatStreamEvent final
{
    enum class Kind { Other, Status, Delta, Done };
    // Where the generation's time goes; Unknown for a phase this client does not know.
    enum class Phase { Unknown, Queued, Writing, Checking, Repairing };

    Kind kind = Kind::Other;  // from the event's name; Other ones are to be skipped
    Phase phase = Phase::Unknown;  // status: "phase"
    int position = 0;         // status: place in the model's queue while queued, 1 is next
    QString text;             // delta: the next piece of the program as the model writes it
    ServiceReply reply;       // done: the same reply a plain chat gets; the stream ends with it

    // The event as the service sends it: its name and the JSON of its data, for a status or a
    // delta (a done carries the reply's body, which the service writes as for a plain chat).
    QByteArray name() const;
    QJsonObject toJson() const;
};

ChatStreamEvent parseChatStreamEvent(const ServerSentEvent &event);
// The wire name of a phase, "queued" and so on, for the service's status events.
QString phaseName(ChatStreamEvent::Phase phase);

// The service's answer to the version check.
struct VersionVerdict final
{
    bool needUpdate = false;
    QString message;
    QString minVersion;
    // "features": its strings, other entries skipped; empty when missing or not a list.
    QStringList features;

    // As the service sends it: "message" and "features" always there.
    QJsonObject toJson() const;
};

VersionVerdict parseVersionVerdict(const QByteArray &body);
