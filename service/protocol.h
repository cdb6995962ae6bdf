#pragma once

// How the client talks to the code-generation service: where it is, what each request
// carries, how each reply reads, and how a request is waited for in place.

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <chrono>

class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;
struct ServerSentEvent;

// --- Where the service is ------------------------------------------------------------

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
} // namespace ServiceFeature

// The plain-HTTP loopback address used when config.json gives no usable "api_base_url".
QString defaultApiBaseUrl();

// The base address named by the config file at configPath, without trailing slashes.
// A missing, unreadable or malformed file, or one without the key, gives the default;
// a key that is not a string gives the empty address.
QString apiBaseUrlFromConfig(const QString &configPath);

// Whether the config file at configPath names the service ("api_base_url" is present): an
// administrator's choice, which wins over the user's.
bool configNamesService(const QString &configPath);

// config.json beside the executable.
QString configFilePath();

// The address config.json names, else the one chosen in Settings > Code generator, else the
// default; read anew on every call.
QString resolveApiBaseUrl();

// --- Requests --------------------------------------------------------------------------
// Every request names the interface language ("en", "zh-CN" or "zh-TW") that its caller
// passes: in the "Accept-Language" header and, where the body has it, as "lang".

// A request to url with Content-Type "application/json" and "Accept-Language"; nothing else.
QNetworkRequest makeServiceRequest(const QString &url, const QString &language);

// The indented JSON text that every request carries.
QByteArray serviceRequestBody(const QJsonObject &body);

QJsonObject newChatBody(const QString &codeType, const QString &platform, const QString &language);
QJsonObject chatBody(const QString &sessionId, const QString &userMessage, const QString &language);
// A chat asking to fix the compiler's errors, "file(l,c) : error NNN: text" each, sent as data
// beside a short request text (the service must list "compile_errors").
QJsonObject chatBody(const QString &sessionId, const QString &userMessage, const QString &language,
                     const QStringList &compileErrors);
// Stops the session's running generation (the service must list "cancel").
QJsonObject cancelBody(const QString &sessionId, const QString &language);
// The DELETE that New Chat sends; it names the language too.
QJsonObject endSessionBody(const QString &sessionId, const QString &language);
// The DELETE sent while the window closes carries the id alone.
QJsonObject closingSessionBody(const QString &sessionId);
QJsonObject versionCheckBody();

QNetworkReply *postServiceRequest(QNetworkAccessManager &manager, const QString &url,
                                  const QJsonObject &body, const QString &language);
// A chat whose answer comes as Server-Sent Events (the service must list "stream"): the
// request also carries "Accept: text/event-stream". A transfer time-out of the manager bounds
// the silence between two events, never the whole stream.
QNetworkReply *postStreamingChatRequest(QNetworkAccessManager &manager, const QString &url,
                                        const QJsonObject &body, const QString &language);
// DELETE carrying its JSON body.
QNetworkReply *deleteServiceRequest(QNetworkAccessManager &manager, const QString &url,
                                    const QJsonObject &body, const QString &language);

// Runs a nested event loop until reply finishes. With a non-zero bound, a reply still
// running when it expires is aborted, so the wait never outlasts it. Returns whether the
// reply finished by itself. Other events, replies of other managers included, keep being
// delivered meanwhile.
bool waitForReply(QNetworkReply *reply,
                  std::chrono::milliseconds bound = std::chrono::milliseconds::zero());

// How long the client gives the service. Tests shorten them instead of waiting them out.
struct ServiceTimeouts final
{
    std::chrono::milliseconds transfer{300000};     // the shared manager's transfers
    std::chrono::milliseconds versionCheck{10000};  // the start-up check's transfer
    // A service that takes the connection but never answers must not hold a closing window.
    std::chrono::milliseconds closingWait{5000};
};

// --- Replies ---------------------------------------------------------------------------
// Read by the service's rules: only the JSON literal true is true, a missing or non-string
// text is empty, a missing or non-object "data" is empty, and a body that is not a JSON
// object reads as an empty object.

// What a reply of "/api/new" or "/api/chat" says.
struct ServiceReply final
{
    enum class Kind { Other, NewSession, Chat };

    Kind kind = Kind::Other;     // from "api_type", compared exactly
    bool success = false;
    QString message;
    bool hasSessionId = false;   // the key "session_id" is present, whatever its type
    QString sessionId;
    QString response;            // "data" / "response"
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
};

ChatStreamEvent parseChatStreamEvent(const ServerSentEvent &event);

// The service's answer to the version check.
struct VersionVerdict final
{
    bool needUpdate = false;
    QString message;
    QString minVersion;
    // "features": its strings, other entries skipped; empty when missing or not a list.
    QStringList features;

    bool offers(const QString &feature) const { return features.contains(feature); }
};

VersionVerdict parseVersionVerdict(const QByteArray &body);
