#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;

// A request to url with Content-Type "application/json" and "Accept-Language" set to
// the current language code; nothing else is set.
QNetworkRequest makeServiceRequest(const QString &url);

// The indented JSON text that every request carries.
QByteArray serviceRequestBody(const QJsonObject &body);

QJsonObject newChatBody(const QString &codeType, const QString &platform);
QJsonObject chatBody(const QString &sessionId, const QString &userMessage);
// The DELETE that New Chat sends; it names the language too.
QJsonObject endSessionBody(const QString &sessionId);
// The DELETE sent while the window closes carries the id alone.
QJsonObject closingSessionBody(const QString &sessionId);
QJsonObject versionCheckBody();

QNetworkReply *postServiceRequest(QNetworkAccessManager &manager, const QString &url,
                                  const QJsonObject &body);
// DELETE carrying its JSON body.
QNetworkReply *deleteServiceRequest(QNetworkAccessManager &manager, const QString &url,
                                    const QJsonObject &body);
