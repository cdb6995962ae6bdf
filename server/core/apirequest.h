#pragma once

#include "replytexts.h"

#include "protocol/messages.h"

#include <QByteArray>
#include <QHostAddress>
#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// What the service reads around its requests, beyond their bodies' fields (which
// "protocol/requests.h" reads): the language a request asks for, who sent it, the compiler's
// lines quoted in a message, and JSON that Qt's parser would let through.
namespace ApiRequest {

// Lines of a compiler's log, "file(l,c) : error NNN: text", as an older client puts them into
// the request itself: their numbers are never a program's values.
bool quotesCompilerMessages(const QString &message);
// Where a JSON text has a control character (below 0x20) unescaped inside a string, which JSON
// forbids and Qt's parser lets through; -1 when it has none.
qsizetype rawControlInString(const QByteArray &json);
// The body's "lang", else the first choice of the Accept-Language header.
Protocol::Language languageOf(const QJsonObject &body, const QByteArray &acceptLanguage);

// Addresses and subnets ("10.0.0.5", "10.0.0.0/8", "::1") whose forwarded headers are believed.
using Subnets = QList<QPair<QHostAddress, int>>;
// Empty with the offending entry in *bad when one is not an address or a subnet.
Subnets subnetsOf(const QStringList &entries, QString *bad);
// Who sent the request: the connection's peer, unless that is a trusted proxy; then the last
// address of X-Forwarded-For that is not a trusted proxy, else X-Real-IP. Anything else could
// be written by the client itself.
QHostAddress clientAddress(const QHostAddress &peer, const QByteArray &forwardedFor,
                           const QByteArray &realIp, const Subnets &trusted);

} // namespace ApiRequest
