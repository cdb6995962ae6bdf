#include "client/archive/chatarchive.h"

#include <QStandardPaths>

QString ChatArchive::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/chats");
}

ChatArchive::ChatArchive(const QString &folder, QObject *parent, int writeDelayMs)
    : QObject(parent)
    , m_files(folder)
{
    m_thread.setObjectName(QStringLiteral("chat archive"));
    m_worker.moveToThread(&m_thread);
    m_thread.start();
    m_writeTimer.setSingleShot(true);
    m_writeTimer.setInterval(writeDelayMs);
    connect(&m_writeTimer, &QTimer::timeout, this, &ChatArchive::writeQueued);
}

ChatArchive::~ChatArchive()
{
    m_stopping = true;
    flush();
    m_thread.quit();
    m_thread.wait();
}

template <typename Work>
void ChatArchive::inBackground(Work work)
{
    QMetaObject::invokeMethod(&m_worker, std::move(work), Qt::QueuedConnection);
}

void ChatArchive::load()
{
    inBackground([this] {
        const QList<ChatSummary> summaries = m_files.summaries();
        QMetaObject::invokeMethod(this, [this, summaries] { takeLoadedList(summaries); }, Qt::QueuedConnection);
    });
}

void ChatArchive::takeLoadedList(const QList<ChatSummary> &summaries)
{
    // Chats saved while the list loaded are newer than what it read.
    for (const ChatSummary &summary : summaries) {
        if (!m_summaries.contains(summary.id))
            m_summaries.insert(summary.id, summary);
    }
    Q_EMIT listLoaded();
}

QList<ChatSummary> ChatArchive::summaries() const
{
    return m_summaries.values();
}

std::optional<StoredChat> ChatArchive::open(const QString &id)
{
    return followDamage(m_files.open(id), id);
}

void ChatArchive::save(const StoredChat &chat)
{
    Q_ASSERT(!chat.id.isEmpty());
    m_files.queueSave(chat);
    m_unsearched.insert(chat.id, chat);
    setSummary(StoredChats::summaryOf(chat));
    scheduleWrite();
}

bool ChatArchive::rename(const QString &id, const QString &title)
{
    const std::optional<StoredChat> chat = followDamage(m_files.retitle(id, title), id);
    if (!chat)
        return false;
    setSummary(StoredChats::summaryOf(*chat));
    m_unsearched.insert(id, *chat);
    scheduleWrite();
    return true;
}

void ChatArchive::remove(const QString &id)
{
    m_files.queueRemoval(id);
    forget(id);
    scheduleWrite();
}

std::optional<QString> ChatArchive::conversationText(const QString &id, const QString &userName,
                                                     const QString &serviceName)
{
    const std::optional<StoredChat> chat = open(id);
    if (!chat)
        return std::nullopt;
    return StoredChats::conversationText(StoredChats::entriesOf(*chat), userName, serviceName);
}

void ChatArchive::flush()
{
    m_writeTimer.stop();
    reportFailures(m_files.writeQueued());
}

// Not restarted by later changes: a chat that changes all the time is still written.
void ChatArchive::scheduleWrite()
{
    if (!m_writeTimer.isActive())
        m_writeTimer.start();
}

void ChatArchive::writeQueued()
{
    inBackground([this] {
        const QList<ChatFiles::Failure> failures = m_files.writeQueued();
        if (!failures.isEmpty())
            QMetaObject::invokeMethod(this, [this, failures] { reportFailures(failures); }, Qt::QueuedConnection);
    });
}

void ChatArchive::reportFailures(const QList<ChatFiles::Failure> &failures)
{
    for (const ChatFiles::Failure &failure : failures)
        Q_EMIT writeFailed(failure.id, failure.error);
}

void ChatArchive::loadContent()
{
    if (m_contentLoading)
        return;
    m_contentLoading = true;
    inBackground([this] {
        QHash<QString, QString> content;
        QHash<QString, ChatFiles::Opened> damaged;
        for (const ChatSummary &summary : m_files.summaries()) {
            if (m_stopping)
                return;
            if (summary.damaged)
                continue;
            const ChatFiles::Opened opened = m_files.open(summary.id);
            if (opened.chat)
                content.insert(summary.id, StoredChats::searchText(*opened.chat));
            else if (opened.damaged)
                damaged.insert(summary.id, opened);
        }
        QMetaObject::invokeMethod(
            this,
            [this, content, damaged] {
                for (auto it = damaged.cbegin(); it != damaged.cend(); ++it)
                    followDamage(it.value(), it.key());
                takeLoadedContent(content);
            },
            Qt::QueuedConnection);
    });
}

void ChatArchive::takeLoadedContent(const QHash<QString, QString> &content)
{
    // What a search took from a save meanwhile is newer than what was read; chats saved and not
    // searched yet replace what was read at their next search.
    for (auto it = content.cbegin(); it != content.cend(); ++it) {
        if (!m_content.contains(it.key()))
            m_content.insert(it.key(), it.value());
    }
    Q_EMIT contentLoaded();
}

bool ChatArchive::matches(const QString &id, const QString &foldedNeedle)
{
    const auto summary = m_summaries.constFind(id);
    if (summary == m_summaries.cend())
        return false;
    if (StoredChats::matchesWordStart(summary->title.toCaseFolded(), foldedNeedle))
        return true;
    if (const auto saved = m_unsearched.constFind(id); saved != m_unsearched.cend()) {
        m_content.insert(id, StoredChats::searchText(*saved));
        m_unsearched.erase(saved);
    }
    return StoredChats::matchesWordStart(m_content.value(id), foldedNeedle);
}

std::optional<StoredChat> ChatArchive::followDamage(const ChatFiles::Opened &opened, const QString &id)
{
    if (opened.damaged && opened.damaged->id != id) {
        // Found damaged only now: its row is the set-aside file's from here on.
        forget(id);
        setSummary(*opened.damaged);
    }
    return opened.chat;
}

void ChatArchive::setSummary(const ChatSummary &summary)
{
    m_summaries.insert(summary.id, summary);
    Q_EMIT summaryChanged(summary);
}

void ChatArchive::forget(const QString &id)
{
    if (m_summaries.remove(id))
        Q_EMIT chatRemoved(id);
    m_content.remove(id);
    m_unsearched.remove(id);
}
