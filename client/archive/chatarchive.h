#pragma once

#include "client/archive/chatfiles.h"
#include "client/archive/storedchat.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <optional>

// Every chat the trader had, kept in the client's data folder as it changes. The list loads
// in the background from the folder's index; a chat is read whole only when it is opened, and
// every chat's text only once a search needs it. Changes are written by a thread of the
// archive's own, a few at a time, so that the window never waits for the disk while it works.
//
// Whoever holds an open chat saves it whole at each change and follows summaryChanged(), which
// also reports a rename made from the list.
class ChatArchive final : public QObject
{
    Q_OBJECT

public:
    // How long changes gather before they are written.
    static constexpr int WriteDelayMs = 300;

    // The "chats" folder of QStandardPaths::AppDataLocation.
    static QString defaultFolder();

    explicit ChatArchive(const QString &folder, QObject *parent = nullptr, int writeDelayMs = WriteDelayMs);
    // Writes what is pending (as flush()), then ends the writing thread.
    ~ChatArchive() override;

    // Reads the list in the background; listLoaded() follows.
    void load();
    QList<ChatSummary> summaries() const;

    // Reads one chat file. nullopt for an unknown or damaged chat; a chat found damaged only
    // now has been set aside, and the list says so.
    std::optional<StoredChat> open(const QString &id);
    // Keeps the chat as it is now; its row follows at once, the disk within WriteDelayMs and a
    // write. chat.id is required (StoredChats::newId() for a new chat).
    void save(const StoredChat &chat);
    // False for an unknown or damaged chat.
    bool rename(const QString &id, const QString &title);
    // Deletes the chat's own file (or a damaged row's set-aside file) and nothing else.
    void remove(const QString &id);
    // The chat as text to export, as StoredChats::conversationText; nullopt as for open().
    std::optional<QString> conversationText(const QString &id, const QString &userName,
                                            const QString &serviceName);

    // Writes everything pending now, on the calling thread, as the window closes: it may
    // wait for the write the thread has under way, and then takes the time the pending writes
    // take (a few milliseconds for a handful of chats), instead of an event loop waiting.
    void flush();

    // Reads every chat's text for searching, in the background; contentLoaded() follows.
    void loadContent();
    // Whether the chat's title, or its content once loaded, holds needle, which is case-folded.
    bool matches(const QString &id, const QString &foldedNeedle);

Q_SIGNALS:
    void listLoaded();
    // A chat was saved, renamed, or found damaged.
    void summaryChanged(const ChatSummary &summary);
    void chatRemoved(const QString &id);
    void contentLoaded();
    // A chat could not be written; error: the file's error text.
    void writeFailed(const QString &id, const QString &error);

private:
    // Runs work on the writing thread.
    template <typename Work>
    void inBackground(Work work);
    void scheduleWrite();
    void writeQueued();
    void reportFailures(const QList<ChatFiles::Failure> &failures);
    void takeLoadedList(const QList<ChatSummary> &summaries);
    void takeLoadedContent(const QHash<QString, QString> &content);
    // Follows what opening or renaming found: a chat found damaged moves to its set-aside row.
    std::optional<StoredChat> followDamage(const ChatFiles::Opened &opened, const QString &id);
    void setSummary(const ChatSummary &summary);
    void forget(const QString &id);

    ChatFiles m_files;
    QThread m_thread;
    QObject m_worker; // lives in m_thread: work posted to it runs there
    std::atomic_bool m_stopping{false};
    QTimer m_writeTimer;

    QHash<QString, ChatSummary> m_summaries;

    bool m_contentLoading = false;
    QHash<QString, QString> m_content;       // case-folded, by chat id
    QHash<QString, StoredChat> m_unsearched; // saved since their content was last taken
};
