#include "support/transcript.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextEdit>

namespace Transcript {

QStringList bubbles(const QTextEdit &view)
{
    QStringList texts;
    // Each message is one paragraph marked with its sender's side in the first user property;
    // the empty paragraphs between the bubbles carry no mark.
    for (QTextBlock block = view.document()->begin(); block.isValid(); block = block.next()) {
        if (!block.blockFormat().hasProperty(QTextFormat::UserProperty))
            continue;
        QTextCursor cursor(block);
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        texts.append(cursor.selection().toPlainText());
    }
    return texts;
}

QStringList lastFrom(const QStringList &bubbles, const QString &first)
{
    for (qsizetype i = bubbles.size() - 1; i >= 0; --i) {
        if (bubbles.at(i).startsWith(first))
            return bubbles.mid(i);
    }
    return {};
}

} // namespace Transcript
