#include "client/archive/chatkeeper.h"

#include "client/archive/chatarchive.h"
#include "client/conversation/conversation.h"

#include <algorithm>

namespace {

bool isRequest(const ChatEvent &event)
{
    return event.type == ChatEvent::Type::Request;
}

} // namespace

ChatKeeper::ChatKeeper(ChatArchive *archive, Conversation *conversation, QObject *parent)
    : QObject(parent)
    , m_archive(archive)
    , m_conversation(conversation)
{
    startChat(false);
    connect(m_conversation, &Conversation::changed, this, [this] {
        if (m_switching)
            return;
        m_chat.updated = QDateTime::currentDateTime();
        save();
    });
    // The conversation began a chat of its own (another code generator): the one it left is
    // kept as it was saved last.
    connect(m_conversation, &Conversation::transcriptCleared, this, [this] {
        if (m_switching || !std::any_of(m_chat.events.cbegin(), m_chat.events.cend(), isRequest))
            return;
        const QString draft = m_chat.draft;
        startChat(false);
        m_chat.draft = draft;
    });
    // A rename from the list must survive the chat's next save.
    connect(m_archive, &ChatArchive::summaryChanged, this, [this](const ChatSummary &summary) {
        if (summary.id == m_chat.id && !summary.damaged)
            m_chat.title = summary.title;
    });
}

void ChatKeeper::startChat(bool listed)
{
    m_chat = {};
    m_chat.id = StoredChats::newId();
    m_chat.created = m_chat.updated = QDateTime::currentDateTime();
    m_listed = listed;
}

void ChatKeeper::setDraft(const QString &draft)
{
    if (draft == m_chat.draft)
        return;
    m_chat.draft = draft;
    save();
}

bool ChatKeeper::deservesRow(const StoredChat &chat) const
{
    return m_listed || !chat.draft.trimmed().isEmpty() || !chat.requestInFlight.isEmpty()
        || std::any_of(chat.events.cbegin(), chat.events.cend(), isRequest);
}

void ChatKeeper::save()
{
    m_conversation->keepInto(m_chat);
    // Until its first request a chat has a title that says so; then the request names it.
    const QString untitled = tr("New chat");
    if (m_chat.title.isEmpty() || m_chat.title == untitled) {
        const auto asked = std::find_if(m_chat.events.cbegin(), m_chat.events.cend(), isRequest);
        m_chat.title = asked != m_chat.events.cend() ? StoredChats::titleFor(asked->text) : untitled;
    }
    if (deservesRow(m_chat))
        m_archive->save(m_chat);
}

void ChatKeeper::beginNew(const QString &draftLeft)
{
    // The request on its way ends in the chat it was asked in, before that chat is kept; when
    // nothing else was typed there, it waits in that chat's request field.
    const QString abandoned = m_conversation->abandonRequest();
    m_chat.draft = draftLeft.trimmed().isEmpty() ? abandoned : draftLeft;
    m_listed = false;
    save();
    if (!deservesRow(m_chat))
        m_archive->remove(m_chat.id);
    startChat(true);
}

std::optional<StoredChat> ChatKeeper::open(const QString &id, const QString &draftLeft)
{
    if (id == m_chat.id)
        return std::nullopt;
    std::optional<StoredChat> chat = m_archive->open(id);
    if (!chat)
        return std::nullopt;
    beginNew(draftLeft);
    m_switching = true;
    m_conversation->reopen(*chat);
    m_switching = false;
    m_chat = *chat;
    return chat;
}

void ChatKeeper::close()
{
    save();
    m_switching = true;
}

bool ChatKeeper::remove(const QString &id)
{
    m_archive->remove(id);
    if (id != m_chat.id)
        return false;
    startChat(false);
    return true;
}
