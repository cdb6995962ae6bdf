#pragma once

#include "platform/backtestrun.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

class Transcript;

// The step after a clean compile of an Expert Advisor: one test of it in the terminal's
// Strategy Tester at a time, counted in the chat while it runs (with Stop), then its card:
// the figures and balance curve of the report, or what kept the tester from writing one.
class Backtester final : public QObject
{
    Q_OBJECT

public:
    Backtester(Transcript *transcript, int timeoutMs, QObject *parent = nullptr);

    // The chat whose tests are shown from now on; a test of a chat left ends without a word
    // in the next one.
    void setChat(quint64 serial) { m_chat = serial; }

    // Tests program number as settings say; false when one runs already or it is refused at
    // once (the chat says why).
    bool start(int number, const BacktestRun::Settings &settings);
    void stop();
    bool isRunning() const { return m_run.isRunning(); }
    // The bubble counting the test's seconds; -1 when none does.
    int runningEntryId() const { return m_runningEntry; }

Q_SIGNALS:
    // A test of the chat's program number ended; result.report holds its figures when read.
    void tested(int number, const BacktestRun::Result &result);

private:
    void onFinished(const BacktestRun::Result &result);

    Transcript *m_transcript;
    int m_timeoutMs;
    BacktestRun::Run m_run;
    quint64 m_chat = 0;
    quint64 m_testedChat = 0;
    int m_testing = -1;
    int m_runningEntry = -1;
    QString m_expert;
    QElapsedTimer m_clock;
    QTimer m_ticker;
};
