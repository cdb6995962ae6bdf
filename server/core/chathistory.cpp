#include "chathistory.h"

#include "programextraction.h"

ChatHistory ChatHistory::continuedFrom(const QList<ChatTurn> &turns, const QString &currentProgram)
{
    ChatHistory history;
    history.program = currentProgram;
    for (auto turn = turns.crbegin(); turn != turns.crend(); ++turn) {
        if (turn->role == ChatTurn::Role::User) {
            history.requests.prepend(turn->content);
            continue;
        }
        if (!history.program.isEmpty())
            continue;
        const ExtractedAnswer answer = ExtractedAnswer::from(turn->content, false);
        if (answer.outcome == ExtractedAnswer::Outcome::Program)
            history.program = answer.program;
    }
    history.bound();
    return history;
}

void ChatHistory::remember(const QString &request, const QString &newProgram)
{
    requests.append(request);
    program = newProgram;
    bound();
}

// The latest request stays, however long: it is what the program answers.
void ChatHistory::bound()
{
    if (requests.size() > maxRequests)
        requests.remove(0, requests.size() - maxRequests);
    qsizetype size = program.size();
    for (const QString &earlier : std::as_const(requests))
        size += earlier.size();
    while (size > maxCharacters && requests.size() > 1)
        size -= requests.takeFirst().size();
    // The latest request counts too: what does not fit beside the program is cut off.
    if (size > maxCharacters)
        requests.last().truncate(qMax<qsizetype>(0, maxCharacters - program.size()));
}

bool ChatHistory::trim()
{
    if (!requests.isEmpty()) {
        requests.remove(0, (requests.size() + 1) / 2);
        return true;
    }
    if (program.isEmpty())
        return false;
    program.clear();
    return true;
}
