#include "service/versionverdict.h"

#include "service/replyfields.h"

VersionVerdict parseVersionVerdict(const QByteArray &body)
{
    using namespace ReplyFields;
    const QJsonObject object = topLevelObject(body);
    return {flag(object, QStringLiteral("need_update")), text(object, QStringLiteral("message")),
            text(object, QStringLiteral("min_version"))};
}
