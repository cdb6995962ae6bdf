#pragma once

#include "client/connection/chattransport.h"
#include "client/conversation/chatentry.h"
#include "client/conversation/chatevent.h"
#include "client/conversation/deploysteps.h"
#include "platform/backtestrun.h"

#include <QCoreApplication>
#include <QList>
#include <QString>

// The one place that words a chat: each event it keeps (a request, an answer, each step's
// result on a program's way into the terminal, a notice) becomes the bubbles the window shows,
// in the interface's language at the moment it is called, with their action links.
class ChatPresenter final
{
    Q_DECLARE_TR_FUNCTIONS(ChatPresenter)

public:
    // What an event's bubbles depend on besides the event: the chat as it is now.
    struct Context final
    {
        int index = -1;        // the event's place, which Edit and Regenerate act on
        bool lastTurn = false; // Request: the chat's last one (Edit); Answer: its answer (Regenerate)
        QString code;          // Answer, Opened: the program
        int versions = 0;      // Answer, Opened: the program's distinct versions, offered from two on
        qint64 runningMs = 0;  // a running compile or test: how long it has run
    };

    // The bubbles of event; a running wait for an answer is the conversation's own to show.
    static QList<ChatEntry> entries(const ChatEvent &event, const Context &context);
    // The client's words of a notice in the interface's language.
    static QString noticeText(const ChatEvent &notice);
    // How a wait ended and after how long.
    static QString endingText(const ChatEvent &wait);

    // "Platform path verified!" once the path is, then the refusal or where it was saved.
    static QList<ChatEntry> saveEntries(const DeploySteps::Save &save);
    static ChatEntry riskEntry(const DeploySteps::Review &review);
    // The bubble of a request waiting for its answer, with its Stop: where the time goes and the
    // program growing when the answer streams, else the clock.
    static ChatEntry answerWaitingEntry(const ChatTransport::Stream &stream, qint64 elapsedMs);
    // The bubble counting a running compile's seconds, with its Stop.
    static ChatEntry compilingEntry(const QString &fileName, qint64 elapsedMs);
    // The compile's log, or why there is none.
    static QList<ChatEntry> compileResults(const DeploySteps::Compile &compile);
    static ChatEntry restoreEntry(const DeploySteps::Restore &restore);
    // The bubble counting a running backtest's seconds, with its Stop.
    static ChatEntry backtestingEntry(const QString &expert, qint64 elapsedMs);
    // The test's card: its figures, curve and report, or why there is none.
    static ChatEntry backtestResult(const BacktestRun::Result &result);

private:
    static QString phaseText(const ChatTransport::Stream &stream);
    static QList<ChatEntry> stepEntries(const ChatEvent::StepResult &step);
    static QString sessionText(const ChatEvent &session);
    static ChatEntry programEntry(const ChatEvent &event, const Context &context);
    static QString refusalText(const DeploySteps::Save &save);
    static QString pathProblem(const DeploySteps::Save &save);
};
