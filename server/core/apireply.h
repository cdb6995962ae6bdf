#pragma once

#include <QHttpServerResponder>
#include <QJsonObject>
#include <QString>

// One answer of the service: its status and JSON body, and for the log the session it is
// about.
struct ApiReply final
{
    using Status = QHttpServerResponder::StatusCode;

    Status status = Status::Ok;
    QJsonObject body;
    QString sessionId;

    // {"success": false, "message": ...}, for a request the service cannot take.
    static ApiReply error(Status status, const QString &message);
    // {"success": ..., "api_type": ..., "message": ...}, for a request it took.
    static ApiReply outcome(Status status, bool success, const QString &apiType,
                            const QString &message, const QString &sessionId);
};
