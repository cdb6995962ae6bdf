#pragma once

#include <QTextEdit>

// The read-only transcript: every message of the conversation is one bubble.
class ChatTextEdit final : public QTextEdit
{
    Q_OBJECT

public:
    explicit ChatTextEdit(QWidget *parent = nullptr);
    ~ChatTextEdit() override;

    // Appends text as plain text in a bubble (right and green for the user's own request,
    // left and grey for everything else) and scrolls to it.
    void appendMessage(const QString &text, bool isUser);
};
