#pragma once

#include <QString>
#include <QStringList>

class BrevanQt;
class ChatTextEdit;
class QAction;
class QComboBox;
class QLineEdit;
class QNetworkAccessManager;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

// Reaches the window's widgets by their object names and works them as a user would.
class WindowDriver final
{
public:
    explicit WindowDriver(BrevanQt &window);

    QPushButton *newChatButton() const;
    QPushButton *sendButton() const;
    QRadioButton *mt4Button() const;
    QRadioButton *mt5Button() const;
    QComboBox *typeBox() const;
    QLineEdit *nameField() const;
    QPlainTextEdit *promptField() const;
    ChatTextEdit *transcriptView() const;
    // The window's own manager: its finished signal comes right after each reply is handled.
    QNetworkAccessManager *networkManager() const;
    // The menu bar's action with exactly this text, or null.
    QAction *menuAction(const QString &text) const;

    QString transcript() const;
    // Every bubble of the transcript in order, its line breaks as '\n'.
    QStringList bubbles() const;
    bool waitForBubbles(int count, int timeoutMs = 10000) const;

    void clickNewChat();
    void clickSend();
    // Types request and name, then presses Send.
    void send(const QString &request, const QString &name = QStringLiteral("MyIndicator"));
    // platform "MT4" or "MT5", codeType "indicator" or "ea", picked as a user would.
    void choose(const QString &platform, const QString &codeType);

private:
    BrevanQt &m_window;
};
