#include "widgets/chattextedit.h"

#include <QScrollBar>
#include <QTextCursor>

namespace {

const QString kUserBubble = QStringLiteral(
    "<table align=\"right\" style=\"margin: 4px 0px;\"><tr><td style=\"background-color: #95EC69; "
    "padding: 6px 12px;           font-size: 14px; color: #000000; border-radius: 4px;\">%1</td></tr></table>");

const QString kServiceBubble = QStringLiteral(
    "<table align=\"left\" style=\"margin: 4px 0px;\"><tr><td style=\"background-color: #F0F0F0; "
    "padding: 6px 12px;           font-size: 14px; color: #000000; border-radius: 4px;\">%1</td></tr></table>");

} // namespace

ChatTextEdit::ChatTextEdit(QWidget *parent)
    : QTextEdit(parent)
{
    setReadOnly(true);
}

ChatTextEdit::~ChatTextEdit() = default;

void ChatTextEdit::appendMessage(const QString &text, bool isUser)
{
    QString prepared = text.toHtmlEscaped();
    prepared.replace(QLatin1Char('\n'), QLatin1String("<br>"));
    const QString html = (isUser ? kUserBubble : kServiceBubble).arg(prepared);

    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End, QTextCursor::MoveAnchor);
    cursor.insertHtml(html);

    if (QScrollBar *bar = verticalScrollBar())
        bar->setValue(bar->maximum());
}
