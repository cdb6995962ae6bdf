#pragma once

#include "apireply.h"
#include "sessionstore.h"

#include "protocol/domain.h"

#include <QString>

// Answers that depend on what the session store did with a turn, decided in one place.
namespace TurnReplies {

// Why a chat request cannot be taken now, for any outcome of acquiring its chat but Done.
ApiReply refused(SessionStore::Outcome outcome, Protocol::Language language,
                 const QString &sessionId);

// A chat_busy whose lock nobody renews: the instance that answered the chat stopped, and the
// chat is free once the lock lapses.
ApiReply holderStopped(Protocol::Language language, const QString &sessionId, qint64 lapsesInMs);

// The reply as it goes out once the store has had the chat back: a program whose chat could
// not be kept still goes to the trader, with the error chat_not_saved and what to do next.
ApiReply afterSave(const ApiReply &reply, bool saved, Protocol::Language language);

// The answer to a Stop that the instance running the chat did not act on: that instance is
// gone, and the chat is free once its lease lapses.
ApiReply stopUnheard(const QString &sessionId, qint64 leaseMs);

} // namespace TurnReplies
