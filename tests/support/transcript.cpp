#include "support/transcript.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QTextFrame>
#include <QTextTable>

namespace Transcript {

QStringList bubbles(const QTextEdit &view)
{
    QStringList texts;
    // Each message is a one-cell table of its own.
    for (QTextFrame *frame : view.document()->rootFrame()->childFrames()) {
        auto *table = qobject_cast<QTextTable *>(frame);
        if (!table)
            continue;
        QTextCursor cursor = table->cellAt(0, 0).firstCursorPosition();
        cursor.setPosition(table->cellAt(0, 0).lastCursorPosition().position(), QTextCursor::KeepAnchor);
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
