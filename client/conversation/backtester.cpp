#include "client/conversation/backtester.h"

#include "client/conversation/chatpresenter.h"
#include "client/conversation/transcript.h"

#include <QFileInfo>

namespace {

constexpr int kTickMs = 1000;

} // namespace

Backtester::Backtester(Transcript *transcript, int timeoutMs, QObject *parent)
    : QObject(parent)
    , m_transcript(transcript)
    , m_timeoutMs(timeoutMs)
{
    m_ticker.setInterval(kTickMs);
    connect(&m_ticker, &QTimer::timeout, this, [this] {
        if (!m_run.isRunning())
            m_ticker.stop();
        else if (m_runningEntry >= 0 && m_testedChat == m_chat)
            m_transcript->update(m_runningEntry, ChatPresenter::backtestingEntry(m_expert, m_clock.elapsed()));
    });
    connect(&m_run, &BacktestRun::Run::finished, this, &Backtester::onFinished);
    connect(m_transcript, &Transcript::cleared, this, [this] { m_runningEntry = -1; });
}

bool Backtester::start(int number, const BacktestRun::Settings &settings)
{
    if (m_run.isRunning())
        return false;
    m_testing = number;
    m_testedChat = m_chat;
    m_expert = QFileInfo(settings.expert).fileName();
    m_runningEntry = -1;
    if (!m_run.start(settings, m_timeoutMs))
        return false; // its finished says why, from the event loop
    m_clock.start();
    m_runningEntry = m_transcript->add(ChatPresenter::backtestingEntry(m_expert, 0));
    m_ticker.start();
    return true;
}

void Backtester::stop()
{
    m_run.stop();
}

void Backtester::onFinished(const BacktestRun::Result &result)
{
    const int number = std::exchange(m_testing, -1);
    if (m_testedChat != m_chat)
        return; // its chat was left
    if (m_runningEntry >= 0)
        m_transcript->change(std::exchange(m_runningEntry, -1), ChatPresenter::backtestEnding(result, m_clock.elapsed()));
    m_transcript->add(ChatPresenter::backtestResult(result));
    Q_EMIT tested(number, result);
}
