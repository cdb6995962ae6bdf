#include "apireply.h"

#include "protocol/messages.h"

ApiReply ApiReply::error(Status status, const QString &message, Protocol::ErrorCode error)
{
    return {status, refusalBody(message, error), {}};
}

ApiReply ApiReply::invalid(const QString &problem)
{
    return error(Status::BadRequest, problem, Protocol::ErrorCode::InvalidRequest);
}

ApiReply ApiReply::refused(const RequestProblem &problem)
{
    const bool tooLarge = problem.code == Protocol::ErrorCode::RequestTooLarge;
    return error(tooLarge ? Status::PayloadTooLarge : Status::BadRequest, problem.message,
                 problem.code);
}

ApiReply ApiReply::outcome(Status status, bool success, const QString &apiType,
                           const QString &message, const QString &sessionId,
                           Protocol::ErrorCode error)
{
    return {status, outcomeBody(success, apiType, message, error), sessionId};
}
