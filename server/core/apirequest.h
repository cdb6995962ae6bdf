#pragma once

#include "replytexts.h"

#include "protocol/messages.h"

#include <QHostAddress>
#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <initializer_list>
#include <optional>

// Reading the service's requests: the values of their JSON bodies and headers, each refused
// with a reason the client's developer can act on.
namespace ApiRequest {

// Empty when each key is there and holds a string, else what is wrong.
QString stringKeyProblem(const QJsonObject &body, std::initializer_list<QString> keys);
// The body's "compile_errors", none when it is missing; nullopt unless it is a list of strings.
std::optional<QStringList> compileErrorsOf(const QJsonObject &body);
// The body's "history", none when it is missing; nullopt with *problem set unless it is a list
// of {"role": "user" or "assistant", "content": text}.
std::optional<QList<ChatTurn>> historyOf(const QJsonObject &body, QString *problem);
// The longest "current_program" taken, in UTF-8 bytes: far beyond any program a chat writes.
constexpr qsizetype maxProgramBytes = 256 * 1024;
// The body's "current_program", empty when it is missing; nullopt unless it is a string.
std::optional<QString> currentProgramOf(const QJsonObject &body);
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
