#pragma once

#include "client/conversation/chatentry.h"
#include "client/conversation/deploysteps.h"
#include "platform/backtestrun.h"

#include <QCoreApplication>
#include <QList>
#include <QString>

// The one place that words a program's way into the terminal: each step's result (save, risk
// review, compile, restore, backtest) becomes the bubbles the window shows, in the interface's language
// at the moment it is called, with their action links.
class ChatPresenter final
{
    Q_DECLARE_TR_FUNCTIONS(ChatPresenter)

public:
    // "Platform path verified!" once the path is, then the refusal or where it was saved.
    static QList<ChatEntry> saveEntries(const DeploySteps::Save &save);
    static ChatEntry riskEntry(const DeploySteps::Review &review);
    // The bubble counting a running compile's seconds, with its Stop.
    static ChatEntry compilingEntry(const QString &fileName, qint64 elapsedMs);
    // What the counting bubble says once the compile ended.
    static ChatEntry compileEnding(const DeploySteps::Compile &compile);
    // The compile's log, or why there is none.
    static QList<ChatEntry> compileResults(const DeploySteps::Compile &compile);
    static ChatEntry restoreEntry(const DeploySteps::Restore &restore);
    // The bubble counting a running backtest's seconds, with its Stop.
    static ChatEntry backtestingEntry(const QString &expert, qint64 elapsedMs);
    // What the counting bubble says once the test ended.
    static ChatEntry backtestEnding(const BacktestRun::Result &result, qint64 elapsedMs);
    // The test's card: its figures, curve and report, or why there is none.
    static ChatEntry backtestResult(const BacktestRun::Result &result);

private:
    static QString refusalText(const DeploySteps::Save &save);
    static QString pathProblem(const DeploySteps::Save &save);
};
