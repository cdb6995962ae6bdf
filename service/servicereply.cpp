#include "service/servicereply.h"

#include "service/replyfields.h"

ServiceReply parseServiceReply(const QByteArray &body)
{
    using namespace ReplyFields;
    const QJsonObject object = topLevelObject(body);

    ServiceReply reply;
    reply.success = flag(object, QStringLiteral("success"));
    reply.message = text(object, QStringLiteral("message"));

    const QString apiType = text(object, QStringLiteral("api_type"));
    if (apiType == QLatin1String("new")) {
        reply.kind = ServiceReply::Kind::NewSession;
        reply.hasSessionId = object.contains(QLatin1String("session_id"));
        reply.sessionId = text(object, QStringLiteral("session_id"));
    } else if (apiType == QLatin1String("chat")) {
        reply.kind = ServiceReply::Kind::Chat;
        reply.response = text(object.value(QLatin1String("data")).toObject(), QStringLiteral("response"));
    }
    return reply;
}
