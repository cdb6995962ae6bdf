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
#include <QScreen>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// A row's text keeps this far from its edges, the title this far from the details.
constexpr int kRowMargin = 4;
constexpr int kDetailsGap = 8;

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
        const QRect area = row.rect.adjusted(kRowMargin, 0, -kRowMargin, 0);
        const int detailsWidth = row.fontMetrics.horizontalAdvance(details);
        const bool selected = row.state & QStyle::State_Selected;
        painter->save();
        painter->setPen(row.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(area.adjusted(0, 0, -detailsWidth - kDetailsGap, 0), Qt::AlignLeft | Qt::AlignVCenter,
                          row.fontMetrics.elidedText(title, Qt::ElideRight, area.width() - detailsWidth - kDetailsGap));
        painter->setPen(row.palette.color(selected ? QPalette::HighlightedText : QPalette::PlaceholderText));
        painter->drawText(area, Qt::AlignRight | Qt::AlignVCenter, details);
        painter->restore();
    }

    // The title is elided to the list's width: a row never asks for more, so no horizontal
    // scroll bar pushes the details out of sight.
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return {1, QStyledItemDelegate::sizeHint(option, index).height()};
    }

    static QString details(const QString &platform, const QString &type, const QDateTime &updated)
    {
        const QString when = updated.date() == QDate::currentDate()
            ? QLocale().toString(updated.time(), QLocale::ShortFormat)
            : QLocale().toString(updated.date(), QLocale::ShortFormat);
        return QStringLiteral("%1 %2 · %3").arg(platform, type, when);
    }

private:
    static QString detailsOf(const QModelIndex &index)
    {
        const QString type = index.data(ChatListModel::TypeRole).toString() == QLatin1String("ea")
            ? ChatListPanel::tr("EA")
            : ChatListPanel::tr("Indicator");
        return details(index.data(ChatListModel::PlatformRole).toString(), type,
                       index.data(ChatListModel::UpdatedRole).toDateTime());
    }
};

// The list is never narrower than the widest details beside this many characters of a title.
constexpr int kTitleChars = 10;
// The Rename field takes a title of this many characters (titles are cut near 60) whole.
constexpr int kRenameChars = 60;

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
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
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
    // The longest details: the longer program type, a date with two-digit day and month.
    const QString widest = ChatRowDelegate::details(QStringLiteral("MT5"),
                                                    std::max(tr("Indicator"), tr("EA"), [this](const QString &a, const QString &b) {
                                                        return fontMetrics().horizontalAdvance(a) < fontMetrics().horizontalAdvance(b);
                                                    }),
                                                    QDateTime(QDate(2026, 12, 28), QTime(23, 59)));
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_list);
    m_list->setMinimumWidth(fontMetrics().horizontalAdvance(widest) + kTitleChars * fontMetrics().averageCharWidth()
                            + 2 * (m_list->frameWidth() + kRowMargin) + kDetailsGap + scrollBar);
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
    if (auto *field = dialog->findChild<QLineEdit *>()) {
        const QFontMetrics metrics = field->fontMetrics();
        // "n" is as wide as a letter of a title on average, blanks and capitals counted.
        const int wanted = std::max(metrics.horizontalAdvance(title), kRenameChars * metrics.horizontalAdvance(QLatin1Char('n')))
            + 2 * metrics.averageCharWidth();
        field->setMinimumWidth(std::min(wanted, screen()->availableGeometry().width() * 2 / 3));
    }
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
