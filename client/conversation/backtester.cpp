#include "client/conversation/backtester.h"

#include <QFileInfo>

Backtester::Backtester(int timeoutMs, QObject *parent)
    : QObject(parent)
    , m_timeoutMs(timeoutMs)
{
    connect(&m_run, &BacktestRun::Run::finished, this, &Backtester::onFinished);
}

bool Backtester::start(int number, const BacktestRun::Settings &settings)
{
    if (m_run.isRunning())
        return false;
    m_testing = number;
    m_testedChat = m_chat;
    if (!m_run.start(settings, m_timeoutMs))
        return false;
    m_clock.start();
    Q_EMIT started(QFileInfo(settings.expert).fileName());
    return true;
}

void Backtester::stop()
{
    m_run.stop();
}

void Backtester::onFinished(const BacktestRun::Result &result)
{
    const int number = std::exchange(m_testing, -1);
    if (m_testedChat == m_chat)
        Q_EMIT tested(number, result);
}
