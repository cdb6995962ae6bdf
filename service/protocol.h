#pragma once

// How the client talks to the code-generation service: where it is, what each request
// carries, how each reply reads, and how a request is waited for in place.

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <chrono>

class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;

// --- Where the service is ------------------------------------------------------------

// Endpoint paths, appended to the base address as plain text.
namespace ServicePath {
inline const QString NewChat = QStringLiteral("/api/new");
inline const QString Chat = QStringLiteral("/api/chat");
inline const QString Session = QStringLiteral("/api/session");
inline const QString VersionCheck = QStringLiteral("/api/version_check");
} // namespace ServicePath

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
// The DELETE that New Chat sends; it names the language too.
QJsonObject endSessionBody(const QString &sessionId, const QString &language);
// The DELETE sent while the window closes carries the id alone.
QJsonObject closingSessionBody(const QString &sessionId);
QJsonObject versionCheckBody();

QNetworkReply *postServiceRequest(QNetworkAccessManager &manager, const QString &url,
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

// The service's answer to the version check.
struct VersionVerdict final
{
    bool needUpdate = false;
    QString message;
    QString minVersion;
};

VersionVerdict parseVersionVerdict(const QByteArray &body);
