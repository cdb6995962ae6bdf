#pragma once

// Why the service refused or failed a request, in words a program can act on. It travels as
// "error" beside the human "message" of every failure; a client decides by it, never by the
// message's wording, which follows the chat's language and may change.

#include <QString>

namespace Protocol {

enum class ErrorCode {
    None,               // a success, or a reply of a service that sends no codes
    Unknown,            // a code this side does not know yet: treat as a plain failure
    InvalidRequest,     // the body or a header is malformed
    NotFound,           // no such route
    MethodNotAllowed,
    RequestTooLarge,    // a body, message or compile-error list over its limit
    RateLimited,        // a proxy in front of the service holds the client back
    UnknownSession,     // the service does not know, or no longer knows, the session
    ChatBusy,           // the session is still working on its last request
    StoreUnavailable,   // the service cannot reach where it keeps chats
    ChatNotSaved,       // the answer is there, but the chat could not be saved with it
    ModelUnreachable,
    ModelRefusedKey,    // the model server refused the API key it was given
    ModelFailed,        // the model server answered, but no usable program came of it
    ProgramCheckFailed, // the program did not pass the service's check
    CannotBuild,        // the request asks for nothing this code writer can write
    CannotRepair,       // this code writer does not repair compile errors
    Stopped,            // stopped by Stop, or by the client going away
    ServiceRestarting,  // the service stopped while working; the request can be sent again
};

// The wire spelling, "unknown_session" and so on; empty for None.
QString errorCodeName(ErrorCode code);
// None for an empty name, Unknown for a name this side does not know.
ErrorCode errorCodeNamed(const QString &name);

} // namespace Protocol
