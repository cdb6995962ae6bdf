// Reply bodies of /api/new, /api/chat and /api/version_check, as the service or anything
// in between might send them.

#include "fuzzsupport.h"

#include "service/servicereply.h"
#include "service/versionverdict.h"

namespace {

void checkReply(const QByteArray &body)
{
    const ServiceReply reply = parseServiceReply(body);
    if (reply.kind != ServiceReply::Kind::NewSession && (reply.hasSessionId || !reply.sessionId.isEmpty()))
        FuzzSupport::fail("a session id outside a new-session reply");
    if (reply.kind != ServiceReply::Kind::Chat && !reply.response.isEmpty())
        FuzzSupport::fail("a response outside a chat reply");
    if (!reply.hasSessionId && !reply.sessionId.isEmpty())
        FuzzSupport::fail("a session id without the key");

    const ServiceReply again = parseServiceReply(body);
    if (again.kind != reply.kind || again.success != reply.success || again.message != reply.message
        || again.sessionId != reply.sessionId || again.response != reply.response)
        FuzzSupport::fail("the same body read two ways");

    const VersionVerdict verdict = parseVersionVerdict(body);
    const VersionVerdict verdictAgain = parseVersionVerdict(body);
    if (verdict.needUpdate != verdictAgain.needUpdate || verdict.message != verdictAgain.message
        || verdict.minVersion != verdictAgain.minVersion)
        FuzzSupport::fail("the same verdict read two ways");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    FuzzSupport::initialize(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = FuzzSupport::bytes(data, size);
    checkReply(input);
    // The same bytes as the text of each string field, unescaped: the string reader's invalid
    // UTF-8, stray escapes and control characters, in every place the client reads one.
    checkReply("{\"success\": true, \"api_type\": \"chat\", \"data\": {\"response\": \"" + input + "\"}}");
    checkReply("{\"success\": true, \"api_type\": \"new\", \"session_id\": \"" + input + "\", \"message\": \"" + input
               + "\"}");
    checkReply("{\"need_update\": true, \"min_version\": \"" + input + "\"}");
    return 0;
}
