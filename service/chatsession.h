#pragma once

#include "protocol/domain.h"

#include <QList>
#include <QString>

// The service writes one language and one kind of program per session: what was asked for in
// its "/api/new". The client keeps that with the session, so that an answer is deployed as
// what it is, whatever the form shows by the time it arrives.
struct ChatSession final
{
    Protocol::Platform platform = Protocol::Platform::Mt4;
    Protocol::ProgramType type = Protocol::ProgramType::Indicator;
    quint64 serial = 0; // tells this session's replies from those of sessions already ended
    bool used = false;  // a request of the user went out in it
};

namespace ChatSessions {

// What a change of the form's platform or program type means for the open session.
enum class FormFit {
    Fits,    // the session is for what the form shows
    Reopen,  // nothing was asked yet: a session for the form's choice replaces it
    Refuse,  // the session was used: a Send for another choice must not go out
};

FormFit fit(const ChatSession &session, Protocol::Platform platform, Protocol::ProgramType type);

// One saved transcript line: who said it and what.
struct Said final
{
    QString sender;
    QString text;
};

// The conversation as plain text: one paragraph per message, its sender first, a blank line
// between messages.
QString conversationText(const QList<Said> &messages);

} // namespace ChatSessions
