#pragma once

#include "client/archive/storedchat.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QSet>
#include <QString>

#include <optional>

// The chats' folder: one "<id>.json" per chat, written whole or not at all, and "index.json"
// with what the list shows of each, so that the list does not read every chat. A file that
// cannot be read as a chat is renamed "<id>.damaged" and listed under that name.
//
// Safe to use from two threads: changes are queued under a short lock, and everything that
// touches the files runs under a second lock, one caller at a time, so a caller that reads
// a chat never sees it older than the last change queued.
class ChatFiles final
{
public:
    struct Failure final
    {
        QString id;
        QString error; // the file's error text
    };

    explicit ChatFiles(const QString &folder);

    // Every chat, damaged ones included, in no order. The first call reads the index, checks it
    // against the folder, reads the chats it lacks or that changed since it was written, sets
    // damaged ones aside, and writes the index again when that changed it.
    QList<ChatSummary> summaries();

    struct Opened final
    {
        std::optional<StoredChat> chat;
        // When the chat's file was damaged: it has been set aside, listed under this row.
        std::optional<ChatSummary> damaged;
    };
    // The chat as last queued, or else as its file holds it.
    Opened open(const QString &id);
    // The chat with its title changed and queued to be written; like open otherwise.
    Opened retitle(const QString &id, const QString &title);

    void queueSave(const StoredChat &chat);
    // id: a chat's id, or a damaged row's.
    void queueRemoval(const QString &id);
    // Writes what is queued, then the index.
    QList<Failure> writeQueued();

private:
    struct Stamp final
    {
        qint64 time = 0;
        qint64 size = -1;
        bool operator==(const Stamp &other) const { return time == other.time && size == other.size; }
    };

    struct IndexEntry final
    {
        ChatSummary summary;
        Stamp stamp; // of the chat's file when it was last read or written
    };

    struct Queue final
    {
        QHash<QString, StoredChat> saves;
        QSet<QString> removals;
    };

    // A chat's file, "<id>.json" (chat ids have no dots), or a damaged row's: its id is its file's name.
    QString pathOf(const QString &id) const;
    QString indexPath() const;
    void ensureIndexed();
    QHash<QString, IndexEntry> readIndex() const;
    void writeIndex();
    // nullopt when the chat's file cannot be read or is not a chat.
    std::optional<StoredChat> readChat(const QString &id) const;
    // Renames a damaged chat's file out of the way; its row is named after the new file.
    ChatSummary setAside(const QString &id, const QDateTime &fileTime);
    // The chat as last queued, else as read; a damaged file is set aside. Under m_fileLock.
    Opened latest(const QString &id);
    Queue takeQueue();

    const QString m_folder;

    QMutex m_queueLock;
    Queue m_queue;

    // Everything below, and the folder's files, only under m_fileLock.
    QMutex m_fileLock;
    bool m_indexed = false;
    QHash<QString, IndexEntry> m_index;
};
