#pragma once

#include <QJsonObject>
#include <QString>

// The service's reading rules, shared by every reply.
namespace ReplyFields {

// The top-level object of body; empty when body is not a JSON object.
QJsonObject topLevelObject(const QByteArray &body);
// True only for the JSON literal true.
bool flag(const QJsonObject &object, const QString &key);
// The string under key; empty when missing or of another type.
QString text(const QJsonObject &object, const QString &key);

} // namespace ReplyFields
