#pragma once

#include "client/conversation/chatentry.h"

#include <QTextEdit>

class MqlHighlighter;
class QTextBlock;

// The read-only transcript: every message of the conversation is one bubble.
//
// A bubble is one paragraph of the document, with an empty paragraph between two bubbles (so
// that toPlainText() separates them by a blank line); the bubbles' backgrounds are painted
// behind the text. Paragraphs keep appending cheap where a frame per bubble made every append
// rescan all earlier ones.
class ChatTextEdit final : public QTextEdit
{
    Q_OBJECT

public:
    // One bubble as the user reads it: white space collapsed, its line breaks as "\n".
    struct Message final
    {
        QString text;
        bool isUser = false;
    };

    explicit ChatTextEdit(QWidget *parent = nullptr);
    ~ChatTextEdit() override;

    // Appends text as plain text in a bubble (right and green for the user's own request,
    // left and grey for everything else) and scrolls to it. The last occurrence of linkText
    // in text, if given, becomes a link to href.
    void appendMessage(const QString &text, bool isUser, const QString &linkText = {},
                       const QString &href = {});

    // Appends the entry the conversation numbered id: a program shows its first lines in
    // monospace and colour; a backtest is a card of its figures, its balance curve below them
    // and a badge when the stand-in tester wrote it; actions follow on a line of their own. A
    // long request shows its start and "Show all", which opens it in place; one that looks like
    // code stays monospace.
    void showEntry(int id, const ChatEntry &entry);
    // Replaces the text of the entry id in its place (a waiting bubble's clock, its result).
    void changeEntry(int id, const ChatEntry &entry);

    // Every bubble, oldest first.
    QList<Message> messages() const;

Q_SIGNALS:
    // A link was clicked, or chosen with Tab and then Enter or Space (but the view's own "Show all").
    void linkActivated(const QString &href);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    // The usual menu, then the widget's own actions.
    void contextMenuEvent(QContextMenuEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    // The copied text without the curves' placeholders.
    QMimeData *createMimeDataFromSelection() const override;

private:
    void insertEntry(QTextCursor &cursor, const ChatEntry &given, int id, bool whole = false);
    bool insertCurve(QTextCursor &cursor, const QList<double> &balance, int id);
    void replaceEntry(const QTextBlock &block, const ChatEntry &entry, int id, bool whole);
    void showWholeRequest(const QTextBlock &block);
    void activate(const QString &href, const QTextBlock &block);
    void paintBubbles(const QRect &area);
    qreal userIndent(int naturalWidth) const;
    int naturalWidth(const QString &shown, bool code) const;
    void alignUserBubbles(bool remeasure);
    QString selectedLink() const;

    QString m_pressedLink;
    MqlHighlighter *m_highlighter = nullptr;
};
