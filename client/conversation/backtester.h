#pragma once

#include "platform/backtestrun.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

// The step after a clean compile of an Expert Advisor: one test of it in the terminal's
// Strategy Tester at a time; its result, typed, is the conversation's to keep and word.
class Backtester final : public QObject
{
    Q_OBJECT

public:
    Backtester(int timeoutMs, QObject *parent = nullptr);

    // The chat whose tests are reported from now on; a test of a chat left ends without a word
    // in the next one.
    void setChat(quint64 serial) { m_chat = serial; }

    // Tests program number as settings say; false when one runs already or it is refused at
    // once (tested() says why, from the event loop).
    bool start(int number, const BacktestRun::Settings &settings);
    void stop();
    bool isRunning() const { return m_run.isRunning(); }
    qint64 elapsedMs() const { return m_clock.elapsed(); }

Q_SIGNALS:
    // The test of the chat's Expert Advisor (its file name) has begun.
    void started(const QString &expert);
    // A test of the chat's program number ended; result.report holds its figures when read.
    void tested(int number, const BacktestRun::Result &result);

private:
    void onFinished(const BacktestRun::Result &result);

    int m_timeoutMs;
    BacktestRun::Run m_run;
    quint64 m_chat = 0;
    quint64 m_testedChat = 0;
    int m_testing = -1;
    QElapsedTimer m_clock;
};
