#include "protocol/errorcode.h"

namespace Protocol {
namespace {

struct Named final
{
    ErrorCode code;
    const char *name;
};

constexpr Named kNames[] = {
    {ErrorCode::InvalidRequest, "invalid_request"},
    {ErrorCode::NotFound, "not_found"},
    {ErrorCode::MethodNotAllowed, "method_not_allowed"},
    {ErrorCode::RequestTooLarge, "request_too_large"},
    {ErrorCode::RateLimited, "rate_limited"},
    {ErrorCode::UnknownSession, "unknown_session"},
    {ErrorCode::ChatBusy, "chat_busy"},
    {ErrorCode::StoreUnavailable, "store_unavailable"},
    {ErrorCode::ChatNotSaved, "chat_not_saved"},
    {ErrorCode::ModelUnreachable, "model_unreachable"},
    {ErrorCode::ModelRefusedKey, "model_refused_key"},
    {ErrorCode::ModelFailed, "model_failed"},
    {ErrorCode::ProgramCheckFailed, "program_check_failed"},
    {ErrorCode::CannotBuild, "cannot_build"},
    {ErrorCode::CannotRepair, "cannot_repair"},
    {ErrorCode::Stopped, "stopped"},
    {ErrorCode::ServiceRestarting, "service_restarting"},
};

} // namespace

QString errorCodeName(ErrorCode code)
{
    for (const Named &named : kNames) {
        if (named.code == code)
            return QString::fromLatin1(named.name);
    }
    return {};
}

ErrorCode errorCodeNamed(const QString &name)
{
    if (name.isEmpty())
        return ErrorCode::None;
    for (const Named &named : kNames) {
        if (name == QLatin1String(named.name))
            return named.code;
    }
    return ErrorCode::Unknown;
}

} // namespace Protocol
