#pragma once

#include <QByteArray>
#include <QString>

// What a reply of "/api/new" or "/api/chat" says, read by the service's rules: only the
// JSON literal true is true, a missing or non-string text is empty, a missing or
// non-object "data" is empty. A body that is not a JSON object reads as an empty object.
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
