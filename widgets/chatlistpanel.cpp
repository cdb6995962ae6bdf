#include "widgets/chatlistpanel.h"

#include "service/chatarchive.h"
#include "service/chatlistmodel.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace {

// A row: the chat's title, and beside it, greyed, its platform, program type and date.
class ChatRowDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem row = option;
        initStyleOption(&row, index);
        const QString title = row.text;
        row.text.clear();
        row.widget->style()->drawControl(QStyle::CE_ItemViewItem, &row, painter, row.widget);

        const QString details = detailsOf(index);
        const QRect area = row.rect.adjusted(4, 0, -4, 0);
        const int detailsWidth = row.fontMetrics.horizontalAdvance(details);
        const bool selected = row.state & QStyle::State_Selected;
        painter->save();
        painter->setPen(row.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(area.adjusted(0, 0, -detailsWidth - 8, 0), Qt::AlignLeft | Qt::AlignVCenter,
                          row.fontMetrics.elidedText(title, Qt::ElideRight, area.width() - detailsWidth - 8));
        painter->setPen(row.palette.color(selected ? QPalette::HighlightedText : QPalette::PlaceholderText));
        painter->drawText(area, Qt::AlignRight | Qt::AlignVCenter, details);
        painter->restore();
    }

private:
    static QString detailsOf(const QModelIndex &index)
    {
        const QDateTime updated = index.data(ChatListModel::UpdatedRole).toDateTime();
        const QString when = updated.date() == QDate::currentDate()
            ? QLocale().toString(updated.time(), QLocale::ShortFormat)
            : QLocale().toString(updated.date(), QLocale::ShortFormat);
        const QString type = index.data(ChatListModel::TypeRole).toString() == QLatin1String("ea")
            ? ChatListPanel::tr("EA")
            : ChatListPanel::tr("Indicator");
        return QStringLiteral("%1 %2 · %3").arg(index.data(ChatListModel::PlatformRole).toString(), type, when);
    }
};

} // namespace

ChatListPanel::ChatListPanel(ChatArchive *archive, QWidget *parent)
    : QWidget(parent)
    , m_archive(archive)
    , m_filter(new ChatListFilter(archive, this))
    , m_search(new QLineEdit(this))
    , m_list(new QListView(this))
{
    m_filter->setSourceModel(new ChatListModel(archive, m_filter));
    m_search->setObjectName(QStringLiteral("lineEdit_chatSearch"));
    m_search->setClearButtonEnabled(true);
    m_list->setObjectName(QStringLiteral("chatList"));
    m_list->setModel(m_filter);
    m_list->setItemDelegate(new ChatRowDelegate(m_list));
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setUniformItemSizes(true);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_search);
    layout->addWidget(m_list);
    connect(m_search, &QLineEdit::textChanged, m_filter, &ChatListFilter::setSearchText);
    for (const auto signal : {&QAbstractItemView::clicked, &QAbstractItemView::activated}) {
        connect(m_list, signal, this, [this](const QModelIndex &index) {
            if (!index.data(ChatListModel::DamagedRole).toBool())
                Q_EMIT chatChosen(index.data(ChatListModel::IdRole).toString());
        });
    }
    connect(m_list, &QWidget::customContextMenuRequested, this, &ChatListPanel::showMenu);
    // Rows come and go with saves, renames and searches; the open chat's stays marked.
    connect(m_filter, &QAbstractItemModel::rowsInserted, this, &ChatListPanel::markOpenChat);
    connect(m_filter, &QAbstractItemModel::rowsRemoved, this, &ChatListPanel::markOpenChat);
    connect(m_filter, &QAbstractItemModel::rowsMoved, this, &ChatListPanel::markOpenChat);
    connect(m_filter, &QAbstractItemModel::layoutChanged, this, &ChatListPanel::markOpenChat);
    connect(m_filter, &QAbstractItemModel::modelReset, this, &ChatListPanel::markOpenChat);
    retranslate();
}

void ChatListPanel::retranslate()
{
    m_search->setPlaceholderText(tr("Search chats"));
}

void ChatListPanel::select(const QString &id)
{
    m_openId = id;
    markOpenChat();
}

void ChatListPanel::markOpenChat()
{
    auto *model = static_cast<ChatListModel *>(m_filter->sourceModel());
    const QModelIndex row = m_filter->mapFromSource(model->index(model->rowOf(m_openId)));
    if (row == m_list->currentIndex() && m_list->selectionModel()->isSelected(row))
        return;
    if (row.isValid())
        m_list->setCurrentIndex(row);
    else
        m_list->clearSelection();
}

void ChatListPanel::showMenu(const QPoint &position)
{
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    connect(menu->addAction(tr("Open a program…")), &QAction::triggered, this, &ChatListPanel::openProgramAsked);
    if (const QModelIndex index = m_list->indexAt(position); index.isValid()) {
        const QString id = index.data(ChatListModel::IdRole).toString();
        const QString title = index.data(Qt::DisplayRole).toString();
        menu->addSeparator();
        if (!index.data(ChatListModel::DamagedRole).toBool()) {
            connect(menu->addAction(tr("Rename…")), &QAction::triggered, this, [this, id, title] { askRename(id, title); });
            connect(menu->addAction(tr("Export…")), &QAction::triggered, this, [this, id] { Q_EMIT exportAsked(id); });
        }
        connect(menu->addAction(tr("Delete…")), &QAction::triggered, this, [this, id, title] { askRemove(id, title); });
    }
    menu->popup(m_list->viewport()->mapToGlobal(position));
}

void ChatListPanel::askRename(const QString &id, const QString &title)
{
    auto *dialog = new QInputDialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(tr("Rename chat"));
    dialog->setLabelText(tr("Title:"));
    dialog->setTextValue(title);
    connect(dialog, &QInputDialog::textValueSelected, this, [this, id](const QString &text) {
        if (!text.trimmed().isEmpty())
            m_archive->rename(id, text.trimmed());
    });
    dialog->open();
}

// Only the chat goes: the programs it saved into the terminal stay where they are.
void ChatListPanel::askRemove(const QString &id, const QString &title)
{
    auto *box = new QMessageBox(QMessageBox::Question, tr("Delete chat"),
                                tr("Delete the chat \"%1\"? The programs it saved in the terminal are kept.").arg(title),
                                QMessageBox::Yes | QMessageBox::No, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setDefaultButton(QMessageBox::No);
    connect(box, &QMessageBox::finished, this, [this, id](int result) {
        if (result == QMessageBox::Yes)
            Q_EMIT removeConfirmed(id);
    });
    box->open();
}
