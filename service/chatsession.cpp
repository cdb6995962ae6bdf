#include "service/chatsession.h"

#include <QStringList>

namespace ChatSessions {

FormFit fit(const ChatSession &session, Protocol::Platform platform, Protocol::ProgramType type)
{
    if (session.platform == platform && session.type == type)
        return FormFit::Fits;
    return session.used ? FormFit::Refuse : FormFit::Reopen;
}

QString conversationText(const QList<Said> &messages)
{
    QStringList paragraphs;
    paragraphs.reserve(messages.size());
    for (const Said &said : messages)
        paragraphs.append(said.sender + QLatin1String(": ") + said.text);
    return paragraphs.join(QLatin1String("\n\n")) + QLatin1Char('\n');
}

} // namespace ChatSessions
