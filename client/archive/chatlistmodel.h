#pragma once

#include "client/archive/storedchat.h"

#include <QAbstractListModel>
#include <QList>
#include <QSortFilterProxyModel>
#include <QString>

class ChatArchive;

// The archive's chats for a list view, newest first: a row shows the chat's title, its other
// roles what is shown beside it.
class ChatListModel final : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Role {
        IdRole = Qt::UserRole + 1, // QString
        PlatformRole,              // QString: "MT4" or "MT5"
        TypeRole,                  // QString: "indicator" or "ea"
        UpdatedRole,               // QDateTime
        DamagedRole,               // bool: the chat's file could not be read and was set aside
    };

    explicit ChatListModel(ChatArchive *archive, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    // -1 when the chat is not listed.
    int rowOf(const QString &id) const;

private:
    void reset();
    void place(const ChatSummary &summary);
    void removeChat(const QString &id);
    // Where summary goes among the rows, newest first.
    int positionFor(const ChatSummary &summary) const;

    ChatArchive *m_archive;
    QList<ChatSummary> m_rows;
};

// The chats whose title or content holds the search text, in any case. The content of every
// chat is read in the background when the first search starts; until then titles alone match.
class ChatListFilter final : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit ChatListFilter(ChatArchive *archive, QObject *parent = nullptr);

    void setSearchText(const QString &text);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    ChatArchive *m_archive;
    QString m_needle; // case-folded
};
