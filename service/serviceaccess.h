#pragma once

// How the client reaches the code-generation service: where it is, and the HTTP requests that
// carry the protocol's bodies to it.

#include "protocol/messages.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <chrono>

class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;

// --- Where the service is ------------------------------------------------------------

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


// --- Requests --------------------------------------------------------------------------
// A request to url with Content-Type "application/json" and "Accept-Language"; nothing else.
QNetworkRequest makeServiceRequest(const QString &url, const QString &language);

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

// How long the client gives the service. Tests shorten them instead of waiting them out.
struct ServiceTimeouts final
{
    std::chrono::milliseconds transfer{300000};     // the shared manager's transfers
    std::chrono::milliseconds versionCheck{10000};  // the start-up check's transfer
    // A service that takes the connection but never answers must not hold a closing window.
    std::chrono::milliseconds closingWait{5000};
};
