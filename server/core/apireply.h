#pragma once

#include "protocol/errorcode.h"
#include "protocol/requests.h"

#include <QJsonObject>
#include <QString>

// One answer of the service: its status and JSON body, and for the log the session it is
// about. The HTTP layer turns the status into its code.
struct ApiReply final
{
    enum class Status { Ok, BadRequest, NotFound, MethodNotAllowed, PayloadTooLarge,
                        ServiceUnavailable };

    Status status = Status::Ok;
    QJsonObject body;
    QString sessionId;

    // {"success": false, "message": ..., "error": ...}, for a request the service cannot take.
    static ApiReply error(Status status, const QString &message, Protocol::ErrorCode error);
    // A 400 with the problem of a malformed request.
    static ApiReply invalid(const QString &problem);
    // A body that is no request: a 413 for one too large, else a 400.
    static ApiReply refused(const RequestProblem &problem);
    // {"success": ..., "api_type": ..., "message": ...}, for a request it took; a failure names
    // its error.
    static ApiReply outcome(Status status, bool success, const QString &apiType,
                            const QString &message, const QString &sessionId,
                            Protocol::ErrorCode error = Protocol::ErrorCode::None);
};
