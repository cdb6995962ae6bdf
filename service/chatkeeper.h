#pragma once

#include "service/storedchat.h"

#include <QObject>
#include <QString>

#include <optional>

class ChatArchive;
class Conversation;

// Keeps the open conversation in the archive as it changes, and swaps it for a kept one. A
// chat gets its row once something was asked or typed in it, or when New Chat made it; a chat
// left with neither asked nor typed anything leaves the list again.
class ChatKeeper final : public QObject
{
    Q_OBJECT

public:
    ChatKeeper(ChatArchive *archive, Conversation *conversation, QObject *parent = nullptr);

    const QString &currentId() const { return m_chat.id; }
    // The text of the request field: kept as the chat's draft.
    void setDraft(const QString &draft);
    // New Chat: the chat left keeps draftLeft, or the request it had on its way, which ends
    // there; the conversation's next changes belong to a new chat, which is listed at once.
    void beginNew(const QString &draftLeft);
    // Shows the chat id as it was left; the chat left keeps draftLeft. nullopt when id is the
    // open chat, unknown or damaged; else the chat, for the form and the request field.
    std::optional<StoredChat> open(const QString &id, const QString &draftLeft);
    // The window closes: the chat is saved as it is now, and what the close does to the
    // conversation (its request dropped) is no longer kept.
    void close();
    // Deletes the chat; true when it was the open one, which then is no longer kept.
    bool remove(const QString &id);

private:
    void save();
    bool deservesRow(const StoredChat &chat) const;
    void startChat(bool listed);

    ChatArchive *m_archive;
    Conversation *m_conversation;
    StoredChat m_chat;     // its heading and draft; the rest is the conversation's
    bool m_listed = false; // made by New Chat or reopened: kept even before a request
    bool m_switching = false; // the conversation's changes are not the open chat's

};
