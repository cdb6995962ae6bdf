#include "service/replyfields.h"

#include <QJsonDocument>

namespace ReplyFields {

QJsonObject topLevelObject(const QByteArray &body)
{
    return QJsonDocument::fromJson(body).object();
}

bool flag(const QJsonObject &object, const QString &key)
{
    return object.value(key).toBool(false);
}

QString text(const QJsonObject &object, const QString &key)
{
    return object.value(key).toString();
}

} // namespace ReplyFields
