#include "client/archive/chatlistmodel.h"

#include "client/archive/chatarchive.h"

#include <algorithm>

namespace {

// Newest first; the id keeps chats of the same time in one order.
bool listedBefore(const ChatSummary &a, const ChatSummary &b)
{
    return a.updated != b.updated ? a.updated > b.updated : a.id < b.id;
}

} // namespace

ChatListModel::ChatListModel(ChatArchive *archive, QObject *parent)
    : QAbstractListModel(parent)
    , m_archive(archive)
{
    connect(archive, &ChatArchive::listLoaded, this, &ChatListModel::reset);
    connect(archive, &ChatArchive::summaryChanged, this, &ChatListModel::place);
    connect(archive, &ChatArchive::chatRemoved, this, &ChatListModel::removeChat);
    reset();
}

int ChatListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant ChatListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const ChatSummary &chat = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return chat.title;
    case IdRole:
        return chat.id;
    case PlatformRole:
        return Protocol::wireName(chat.platform);
    case TypeRole:
        return Protocol::wireName(chat.type);
    case UpdatedRole:
        return chat.updated;
    case DamagedRole:
        return chat.damaged;
    default:
        return {};
    }
}

int ChatListModel::rowOf(const QString &id) const
{
    const auto found = std::find_if(m_rows.cbegin(), m_rows.cend(),
                                    [&id](const ChatSummary &chat) { return chat.id == id; });
    return found == m_rows.cend() ? -1 : int(found - m_rows.cbegin());
}

void ChatListModel::reset()
{
    beginResetModel();
    m_rows = m_archive->summaries();
    std::sort(m_rows.begin(), m_rows.end(), listedBefore);
    endResetModel();
}

// A saved chat moves to the top; a move keeps a view's selection on it.
void ChatListModel::place(const ChatSummary &summary)
{
    const int from = rowOf(summary.id);
    if (from < 0) {
        const int to = positionFor(summary);
        beginInsertRows({}, to, to);
        m_rows.insert(to, summary);
        endInsertRows();
        return;
    }
    const ChatSummary old = m_rows.takeAt(from);
    const int to = positionFor(summary);
    m_rows.insert(from, old);
    if (to != from) {
        beginMoveRows({}, from, from, {}, to > from ? to + 1 : to);
        m_rows.move(from, to);
        endMoveRows();
    }
    m_rows[to] = summary;
    Q_EMIT dataChanged(index(to), index(to));
}

void ChatListModel::removeChat(const QString &id)
{
    const int row = rowOf(id);
    if (row < 0)
        return;
    beginRemoveRows({}, row, row);
    m_rows.removeAt(row);
    endRemoveRows();
}

int ChatListModel::positionFor(const ChatSummary &summary) const
{
    return int(std::lower_bound(m_rows.cbegin(), m_rows.cend(), summary, listedBefore) - m_rows.cbegin());
}

ChatListFilter::ChatListFilter(ChatArchive *archive, QObject *parent)
    : QSortFilterProxyModel(parent)
    , m_archive(archive)
{
    connect(archive, &ChatArchive::contentLoaded, this, [this] {
        if (!m_needle.isEmpty())
            invalidateFilter();
    });
}

void ChatListFilter::setSearchText(const QString &text)
{
    const QString needle = text.trimmed().toCaseFolded();
    if (needle == m_needle)
        return;
    m_needle = needle;
    if (!m_needle.isEmpty())
        m_archive->loadContent();
    invalidateFilter();
}

bool ChatListFilter::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (m_needle.isEmpty())
        return true;
    const QString id = sourceModel()->index(sourceRow, 0, sourceParent).data(ChatListModel::IdRole).toString();
    return m_archive->matches(id, m_needle);
}
