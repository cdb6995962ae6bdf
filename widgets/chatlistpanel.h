#pragma once

#include <QString>
#include <QWidget>

class ChatArchive;
class ChatListFilter;
class QLineEdit;
class QListView;
class QModelIndex;
class QPoint;

// The kept chats beside the transcript, newest first, with a search over their titles and
// content. Renaming is done here; deleting (once the trader agreed) and exporting are the
// window's, which knows the open chat.
class ChatListPanel final : public QWidget
{
    Q_OBJECT

public:
    explicit ChatListPanel(ChatArchive *archive, QWidget *parent = nullptr);

    // Marks the open chat's row, once it is listed and for as long as it stays open: a row
    // that comes, moves or is found again by a search is marked again.
    void select(const QString &id);
    void retranslate();

Q_SIGNALS:
    void chatChosen(const QString &id);
    void removeConfirmed(const QString &id);
    void exportAsked(const QString &id);
    void openProgramAsked();

private:
    void showMenu(const QPoint &position);
    void askRename(const QString &id, const QString &title);
    void askRemove(const QString &id, const QString &title);
    void markOpenChat();

    ChatArchive *m_archive;
    ChatListFilter *m_filter;
    QLineEdit *m_search;
    QListView *m_list;
    QString m_openId;
};
