#include "client/archive/chatfiles.h"

#include "platform/deployment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

#include <utility>

namespace {

const QString kChatSuffix = QStringLiteral(".json");
const QString kDamagedSuffix = QStringLiteral(".damaged");
const QString kIndexName = QStringLiteral("index.json");

std::optional<QJsonObject> readObject(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

} // namespace

ChatFiles::ChatFiles(const QString &folder)
    : m_folder(folder)
{
}

QList<ChatSummary> ChatFiles::summaries()
{
    QMutexLocker files(&m_fileLock);
    ensureIndexed();
    QList<ChatSummary> summaries;
    summaries.reserve(m_index.size());
    for (const IndexEntry &entry : std::as_const(m_index))
        summaries.append(entry.summary);
    return summaries;
}

ChatFiles::Opened ChatFiles::open(const QString &id)
{
    QMutexLocker files(&m_fileLock);
    return latest(id);
}

ChatFiles::Opened ChatFiles::retitle(const QString &id, const QString &title)
{
    QMutexLocker files(&m_fileLock);
    Opened opened = latest(id);
    if (opened.chat) {
        opened.chat->title = title;
        queueSave(*opened.chat);
    }
    return opened;
}

void ChatFiles::queueSave(const StoredChat &chat)
{
    QMutexLocker queue(&m_queueLock);
    m_queue.saves.insert(chat.id, chat);
    m_queue.removals.remove(chat.id);
}

void ChatFiles::queueRemoval(const QString &id)
{
    QMutexLocker queue(&m_queueLock);
    m_queue.saves.remove(id);
    m_queue.removals.insert(id);
}

QList<ChatFiles::Failure> ChatFiles::writeQueued()
{
    QMutexLocker files(&m_fileLock);
    // Taken under the file lock, so that no older copy of a chat is written after a newer one.
    const Queue queue = takeQueue();
    if (queue.saves.isEmpty() && queue.removals.isEmpty())
        return {};
    ensureIndexed();
    QList<Failure> failures;
    for (const StoredChat &chat : queue.saves) {
        const QString path = pathOf(chat.id);
        const Deployment::WriteResult written = Deployment::writeFileAtomically(
            path, QJsonDocument(StoredChats::toJson(chat)).toJson(QJsonDocument::Compact));
        if (!written.ok) {
            failures.append({chat.id, written.error});
            continue;
        }
        const QFileInfo file(path);
        m_index.insert(chat.id, {StoredChats::summaryOf(chat), {file.lastModified().toMSecsSinceEpoch(), file.size()}});
    }
    for (const QString &id : queue.removals) {
        QFile file(pathOf(id));
        if (!file.remove() && file.exists())
            failures.append({id, file.errorString()});
        else
            m_index.remove(id);
    }
    writeIndex();
    return failures;
}

QString ChatFiles::pathOf(const QString &id) const
{
    return m_folder + QLatin1Char('/') + (id.contains(QLatin1Char('.')) ? id : id + kChatSuffix);
}

QString ChatFiles::indexPath() const
{
    return m_folder + QLatin1Char('/') + kIndexName;
}

// The index is trusted for a chat whose file has the size and time it had when the index
// was written; every other chat file is read.
void ChatFiles::ensureIndexed()
{
    if (m_indexed)
        return;
    m_indexed = true;
    QDir().mkpath(m_folder);
    const QHash<QString, IndexEntry> known = readIndex();
    bool changed = false;
    // Matched by hand: name filters compile regular expressions, whose JIT stacks on this
    // thread have kept a Windows process from ending.
    const QFileInfoList files = QDir(m_folder).entryInfoList(QDir::Files);
    for (const QFileInfo &file : files) {
        const QString name = file.fileName();
        if (name == kIndexName || !(name.endsWith(kChatSuffix) || name.endsWith(kDamagedSuffix)))
            continue;
        const bool damaged = name.endsWith(kDamagedSuffix);
        const QString id = damaged ? name : name.chopped(kChatSuffix.size());
        // Chat ids have no dots.
        if (!damaged && id.contains(QLatin1Char('.')))
            continue;
        const IndexEntry entry = known.value(id);
        const Stamp stamp{file.lastModified().toMSecsSinceEpoch(), file.size()};
        m_index.insert(id, entry); // its last known title, should the file turn out damaged
        if (!entry.summary.id.isEmpty() && entry.summary.damaged == damaged && (damaged || entry.stamp == stamp))
            continue;
        changed = true;
        if (const std::optional<StoredChat> chat = damaged ? std::nullopt : readChat(id))
            m_index.insert(id, {StoredChats::summaryOf(*chat), stamp});
        else
            setAside(id, file.lastModified());
    }
    if (changed || m_index.size() != known.size())
        writeIndex();
}

QHash<QString, ChatFiles::IndexEntry> ChatFiles::readIndex() const
{
    QHash<QString, IndexEntry> index;
    const std::optional<QJsonObject> json = readObject(indexPath());
    if (!json)
        return index;
    const QJsonArray chats = json->value(QLatin1StringView("chats")).toArray();
    index.reserve(chats.size());
    for (const QJsonValue &value : chats) {
        const QJsonObject chat = value.toObject();
        if (const std::optional<ChatSummary> summary = StoredChats::summaryFromJson(chat)) {
            const Stamp stamp{qint64(chat.value(QLatin1StringView("file_time")).toDouble()),
                              qint64(chat.value(QLatin1StringView("file_size")).toDouble(-1))};
            index.insert(summary->id, {*summary, stamp});
        }
    }
    return index;
}

// The index only spares reading every chat: when it cannot be written, the next start reads
// the chats instead.
void ChatFiles::writeIndex()
{
    QJsonArray chats;
    for (const IndexEntry &entry : std::as_const(m_index)) {
        QJsonObject chat = StoredChats::summaryToJson(entry.summary);
        chat.insert(QLatin1StringView("file_time"), double(entry.stamp.time));
        chat.insert(QLatin1StringView("file_size"), double(entry.stamp.size));
        chats.append(chat);
    }
    const QJsonObject index{{QLatin1StringView("format"), 1}, {QLatin1StringView("chats"), chats}};
    Deployment::writeFileAtomically(indexPath(), QJsonDocument(index).toJson(QJsonDocument::Compact));
}

std::optional<StoredChat> ChatFiles::readChat(const QString &id) const
{
    const std::optional<QJsonObject> json = readObject(pathOf(id));
    std::optional<StoredChat> chat = json ? StoredChats::fromJson(*json) : std::nullopt;
    if (chat)
        chat->id = id; // the file's name rules: a copied file keeps the id of its original
    return chat;
}

ChatSummary ChatFiles::setAside(const QString &id, const QDateTime &fileTime)
{
    const IndexEntry known = m_index.take(id);
    const QString path = pathOf(id);
    QString name = id.endsWith(kDamagedSuffix) ? id : id + kDamagedSuffix;
    for (int n = 2; name != id && QFile::exists(m_folder + QLatin1Char('/') + name); ++n)
        name = id + QStringLiteral("-%1").arg(n) + kDamagedSuffix;
    // A file that cannot be renamed stays where it is, listed as damaged under its own name.
    if (name != id && !QFile::rename(path, m_folder + QLatin1Char('/') + name))
        name = QFileInfo(path).fileName();
    ChatSummary summary = known.summary;
    summary.id = name;
    if (summary.title.isEmpty())
        summary.title = name;
    if (!summary.updated.isValid())
        summary.updated = summary.created = fileTime;
    summary.damaged = true;
    m_index.insert(name, {summary, {}});
    return summary;
}

ChatFiles::Opened ChatFiles::latest(const QString &id)
{
    {
        QMutexLocker queue(&m_queueLock);
        const auto queued = m_queue.saves.constFind(id);
        if (queued != m_queue.saves.cend())
            return {*queued, std::nullopt};
        if (m_queue.removals.contains(id))
            return {};
    }
    if (const auto known = m_index.constFind(id); known != m_index.cend() && known->summary.damaged)
        return {std::nullopt, known->summary};
    if (std::optional<StoredChat> chat = readChat(id))
        return {chat, std::nullopt};
    if (!QFileInfo::exists(pathOf(id)))
        return {};
    const ChatSummary damaged = setAside(id, QFileInfo(pathOf(id)).lastModified());
    // Rare enough to be written at once, so that the row keeps its title after a restart.
    if (m_indexed)
        writeIndex();
    return {std::nullopt, damaged};
}

ChatFiles::Queue ChatFiles::takeQueue()
{
    QMutexLocker queue(&m_queueLock);
    return std::exchange(m_queue, {});
}
