#include "chathistory.h"

namespace {

// About 8,000 tokens of a 16,000-token context: room for the system prompt and the answer.
constexpr qsizetype maxCharacters = 32 * 1024;

} // namespace

void ChatHistory::remember(const QString &request, const QString &newProgram)
{
    requests.append(request);
    program = newProgram;
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
