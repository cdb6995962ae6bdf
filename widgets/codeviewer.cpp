#include "widgets/codeviewer.h"

#include "widgets/mqlhighlighter.h"

#include <QClipboard>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QTextBlock>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kNumberPadding = 8;
constexpr int kCopiedMs = 1500;

// The strip beside the text; the view paints it.
class LineNumbers final : public QWidget
{
public:
    explicit LineNumbers(CodeView *view)
        : QWidget(view)
        , m_view(view)
    {
    }

protected:
    void paintEvent(QPaintEvent *event) override { m_view->paintLineNumbers(this, event->rect()); }

private:
    CodeView *m_view;
};

} // namespace

CodeView::CodeView(QWidget *parent)
    : QPlainTextEdit(parent)
    , m_numbers(new LineNumbers(this))
{
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // Selecting and copying stay possible in a read-only view.
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    new MqlHighlighter(document());
    connect(this, &QPlainTextEdit::blockCountChanged, this, [this] { setViewportMargins(lineNumberWidth(), 0, 0, 0); });
    connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect &rect, int dy) {
        if (dy != 0)
            m_numbers->scroll(0, dy);
        else
            m_numbers->update(0, rect.y(), m_numbers->width(), rect.height());
    });
    setViewportMargins(lineNumberWidth(), 0, 0, 0);
}

int CodeView::lineNumberWidth() const
{
    const int digits = int(QString::number(std::max(1, blockCount())).size());
    return 2 * kNumberPadding + fontMetrics().horizontalAdvance(QLatin1Char('9')) * digits;
}

void CodeView::resizeEvent(QResizeEvent *event)
{
    QPlainTextEdit::resizeEvent(event);
    const QRect area = contentsRect();
    m_numbers->setGeometry(area.left(), area.top(), lineNumberWidth(), area.height());
}

void CodeView::paintLineNumbers(QWidget *area, const QRect &rect)
{
    QPainter painter(area);
    painter.fillRect(rect, palette().alternateBase());
    painter.setPen(palette().color(QPalette::PlaceholderText));
    QTextBlock block = firstVisibleBlock();
    qreal top = blockBoundingGeometry(block).translated(contentOffset()).top();
    for (; block.isValid() && top <= rect.bottom(); block = block.next()) {
        const qreal height = blockBoundingRect(block).height();
        if (block.isVisible() && top + height >= rect.top())
            painter.drawText(0, int(top), area->width() - kNumberPadding, fontMetrics().height(), Qt::AlignRight,
                             QString::number(block.blockNumber() + 1));
        top += height;
    }
}

CodeViewer::CodeViewer(const QString &title, const QString &code, QWidget *parent)
    : QDialog(parent)
    , m_view(new CodeView(this))
    , m_find(new QLineEdit(this))
    , m_findResult(new QLabel(this))
{
    setWindowTitle(title);
    m_view->setPlainText(code);
    m_find->setPlaceholderText(tr("Find"));
    m_find->setClearButtonEnabled(true);
    connect(m_find, &QLineEdit::returnPressed, this, &CodeViewer::findNext);

    auto *findNext = new QPushButton(tr("Find next"), this);
    connect(findNext, &QPushButton::clicked, this, &CodeViewer::findNext);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton *copy = buttons->addButton(tr("Copy code"), QDialogButtonBox::ActionRole);
    // The button says "Copied" for a moment, so that a click is seen to have done something.
    connect(copy, &QPushButton::clicked, this, [code, copy] {
        QGuiApplication::clipboard()->setText(code);
        copy->setText(tr("Copied"));
        QTimer::singleShot(kCopiedMs, copy, [copy] { copy->setText(tr("Copy code")); });
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *findRow = new QHBoxLayout;
    findRow->addWidget(m_find, 1);
    findRow->addWidget(findNext);
    findRow->addWidget(m_findResult);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_view, 1);
    layout->addLayout(findRow);
    layout->addWidget(buttons);
    resize(820, 640);
}

void CodeViewer::showLine(int line)
{
    const QTextBlock block = m_view->document()->findBlockByNumber(line - 1);
    if (!block.isValid())
        return;
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    m_view->setTextCursor(cursor);
    m_view->centerCursor();
}

// From the selection on, then once more from the top.
void CodeViewer::findNext()
{
    const QString text = m_find->text();
    if (text.isEmpty())
        return;
    bool found = m_view->find(text);
    if (!found) {
        m_view->moveCursor(QTextCursor::Start);
        found = m_view->find(text);
    }
    m_findResult->setText(found ? QString() : tr("Not found"));
}
