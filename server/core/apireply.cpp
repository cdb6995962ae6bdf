#include "apireply.h"

ApiReply ApiReply::error(Status status, const QString &message)
{
    return {status, {{QStringLiteral("success"), false}, {QStringLiteral("message"), message}}, {}};
}

ApiReply ApiReply::outcome(Status status, bool success, const QString &apiType,
                           const QString &message, const QString &sessionId)
{
    return {status,
            {{QStringLiteral("success"), success},
             {QStringLiteral("api_type"), apiType},
             {QStringLiteral("message"), message}},
            sessionId};
}
