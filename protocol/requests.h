#pragma once

// The requests of the protocol as values: each writes its own JSON body and reads one back,
// refusing a malformed body with the code and the words the service answers it with. The client
// builds its bodies from these, the service reads its requests with them, so the field names,
// the shapes and the limits of a request are written down here only.

#include "protocol/domain.h"
#include "protocol/errorcode.h"
#include "protocol/messages.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVersionNumber>

#include <optional>
#include <utility>

// Why a body is not a request the service takes: InvalidRequest (a 400) or RequestTooLarge (a
// 413), and the developer's English sentence saying what is wrong.
struct RequestProblem final
{
    Protocol::ErrorCode code = Protocol::ErrorCode::InvalidRequest;
    QString message;
};

// A request read from a body, or why it could not be.
template <typename Request>
class Parsed final
{
public:
    Parsed(Request request) : m_request(std::move(request)) { }
    Parsed(RequestProblem problem) : m_problem(std::move(problem)) { }

    bool isValid() const { return m_request.has_value(); }
    const Request &value() const { return *m_request; }
    const RequestProblem &problem() const { return m_problem; }

private:
    std::optional<Request> m_request;
    RequestProblem m_problem;
};

// Every body may name its language as "lang"; anything but a string there is refused.
std::optional<RequestProblem> languageFieldProblem(const QJsonObject &body);

// "/api/new": a chat for a platform and a program type, optionally continuing one that the
// service forgot.
struct NewChatRequest final
{
    Protocol::Platform platform = Protocol::Platform::Mt5;
    Protocol::ProgramType type = Protocol::ProgramType::ExpertAdvisor;
    // "lang"; nullopt when the body has none or names a language the interface does not speak.
    std::optional<Protocol::Language> language;
    QList<ChatTurn> history;   // oldest first; left out when empty
    QString currentProgram;    // left out when empty

    QJsonObject toJson() const;
    static Parsed<NewChatRequest> fromJson(const QJsonObject &body);
    bool operator==(const NewChatRequest &other) const;
};

// "/api/chat": the next request of a chat.
struct ChatRequest final
{
    QString sessionId;
    QString userMessage;
    std::optional<Protocol::Language> language;
    // "compile_errors", "file(l,c) : error NNN: text" each; nullopt when the body has none (a
    // client for a service without the feature), which the service reads as none.
    std::optional<QStringList> compileErrors;
    QString currentProgram;    // left out when empty

    QJsonObject toJson() const;
    static Parsed<ChatRequest> fromJson(const QJsonObject &body);
    // Whether the message and the compile errors stay within RequestLimit. Beyond it the chat
    // answers in its own language, so this is no refusal of the body.
    bool withinLimits() const;
    bool operator==(const ChatRequest &other) const;
};

// "/api/cancel" and "DELETE /api/session": a request about a chat as a whole.
struct SessionRequest final
{
    QString sessionId;
    std::optional<Protocol::Language> language;  // the DELETE sent while closing has none

    QJsonObject toJson() const;
    static Parsed<SessionRequest> fromJson(const QJsonObject &body);
    bool operator==(const SessionRequest &other) const;
};
using CancelRequest = SessionRequest;
using EndSessionRequest = SessionRequest;

// "/api/version_check".
struct VersionCheckRequest final
{
    QString clientVersion;  // as the client spells it; fromJson takes only a version number

    QVersionNumber version() const { return QVersionNumber::fromString(clientVersion); }
    QJsonObject toJson() const;
    static Parsed<VersionCheckRequest> fromJson(const QJsonObject &body);
    bool operator==(const VersionCheckRequest &other) const;
};
