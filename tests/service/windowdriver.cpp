#include "windowdriver.h"

#include "ui/brevanqt.h"
#include "widgets/chattextedit.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QNetworkAccessManager>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextFrame>
#include <QTextTable>

WindowDriver::WindowDriver(BrevanQt &window)
    : m_window(window)
{
}

QPushButton *WindowDriver::newChatButton() const
{
    return m_window.findChild<QPushButton *>(QStringLiteral("pushButton_newChat"));
}

QPushButton *WindowDriver::sendButton() const
{
    return m_window.findChild<QPushButton *>(QStringLiteral("pushButton_generate"));
}

QRadioButton *WindowDriver::mt4Button() const
{
    return m_window.findChild<QRadioButton *>(QStringLiteral("radioButton_mt4"));
}

QRadioButton *WindowDriver::mt5Button() const
{
    return m_window.findChild<QRadioButton *>(QStringLiteral("radioButton_mt5"));
}

QComboBox *WindowDriver::typeBox() const
{
    return m_window.findChild<QComboBox *>(QStringLiteral("comboBox_type"));
}

QLineEdit *WindowDriver::nameField() const
{
    return m_window.findChild<QLineEdit *>(QStringLiteral("lineEdit_name"));
}

QPlainTextEdit *WindowDriver::promptField() const
{
    return m_window.findChild<QPlainTextEdit *>(QStringLiteral("plainTextEdit_prompt"));
}

ChatTextEdit *WindowDriver::transcriptView() const
{
    return m_window.findChild<ChatTextEdit *>(QStringLiteral("textEdit_code"));
}

QNetworkAccessManager *WindowDriver::networkManager() const
{
    return m_window.findChild<QNetworkAccessManager *>();
}

QAction *WindowDriver::menuAction(const QString &text) const
{
    const QList<QAction *> menus = m_window.menuBar()->actions();
    for (QAction *menuEntry : menus) {
        if (!menuEntry->menu())
            continue;
        const QList<QAction *> actions = menuEntry->menu()->actions();
        for (QAction *action : actions) {
            if (action->text() == text)
                return action;
        }
    }
    return nullptr;
}

QString WindowDriver::transcript() const
{
    return transcriptView()->toPlainText();
}

QStringList WindowDriver::bubbles() const
{
    // Each message is a one-cell table of its own directly in the document.
    QStringList texts;
    const QList<QTextFrame *> frames = transcriptView()->document()->rootFrame()->childFrames();
    for (QTextFrame *frame : frames) {
        auto *table = qobject_cast<QTextTable *>(frame);
        if (!table)
            continue;
        const QTextTableCell cell = table->cellAt(0, 0);
        QTextCursor cursor = cell.firstCursorPosition();
        cursor.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
        QString text = cursor.selectedText();
        text.replace(QChar::LineSeparator, QLatin1Char('\n'));
        text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
        texts.append(text);
    }
    return texts;
}

bool WindowDriver::waitForBubbles(int count, int timeoutMs) const
{
    return QTest::qWaitFor([this, count] { return bubbles().size() >= count; }, timeoutMs);
}

void WindowDriver::clickNewChat()
{
    QTest::mouseClick(newChatButton(), Qt::LeftButton);
}

void WindowDriver::clickSend()
{
    QTest::mouseClick(sendButton(), Qt::LeftButton);
}

void WindowDriver::send(const QString &request, const QString &name)
{
    promptField()->setPlainText(request);
    nameField()->setText(name);
    clickSend();
}

void WindowDriver::choose(const QString &platform, const QString &codeType)
{
    // The radio buttons' hit area is their label, not the whole widget, so click() them.
    if (platform == QLatin1String("MT5"))
        mt5Button()->click();
    else
        mt4Button()->click();
    typeBox()->setCurrentIndex(typeBox()->findData(codeType));
}
