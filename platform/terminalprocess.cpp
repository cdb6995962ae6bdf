#include "platform/terminalprocess.h"

#include "platform/winerun.h"
#include "platform/wineprefixes.h"

#include <QDir>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <csignal>
#include <unistd.h>
#endif

TerminalProcess::TerminalProcess(QObject *parent)
    : QObject(parent)
{
    m_bound.setSingleShot(true);
    m_process.setProcessChannelMode(QProcess::MergedChannels);
#ifdef Q_OS_UNIX
    // A group of its own, so that a stop also ends what Wine's cmd started.
    m_process.setChildProcessModifier([] { ::setpgid(0, 0); });
#endif
    connect(&m_bound, &QTimer::timeout, this, [this] { end(Outcome::Ending::TimedOut); });
    connect(&m_process, &QProcess::started, this, [this] {
        if (m_bound.interval() > 0)
            m_bound.start();
    });
    connect(&m_process, &QProcess::readyRead, this, &TerminalProcess::keepOutput);
    connect(&m_process, &QProcess::finished, this, [this](int exitCode) { onFinished(exitCode); });
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        Outcome outcome;
        outcome.problem = Outcome::StartProblem::StartFailed;
        reportLater(outcome);
    });
}

TerminalProcess::~TerminalProcess()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.disconnect(this);
    kill();
}

QString TerminalProcess::programSidePath(const QString &program, const QString &hostPath)
{
#ifdef Q_OS_WIN
    Q_UNUSED(program)
    return QDir::toNativeSeparators(QFileInfo(hostPath).absoluteFilePath());
#else
    if (!WineRun::isWindowsProgram(program))
        return QFileInfo(hostPath).absoluteFilePath();
    return WineRun::windowsPath(WinePrefixes::prefixOf(program), hostPath);
#endif
}

bool TerminalProcess::start(const Launch &launch)
{
    m_program = launch.program;
    m_ending = Outcome::Ending::Exited;
    m_output.clear();
    m_bound.setInterval(launch.timeoutMs);
    Outcome refusal;
    refusal.problem = prepare(launch, &refusal);
    if (refusal.problem != Outcome::StartProblem::None) {
        reportLater(refusal);
        return false;
    }
    m_reportPending = true;
    m_process.start(QIODevice::ReadOnly);
    return true;
}

TerminalProcess::Outcome::StartProblem TerminalProcess::prepare(const Launch &launch, Outcome *refusal)
{
    if (launch.program.isEmpty() || !QFileInfo(launch.program).isFile())
        return Outcome::StartProblem::NoProgram;
    m_process.setProgram(launch.program);
    m_process.setWorkingDirectory(QDir(launch.workingFolder).absolutePath());
#ifdef Q_OS_WIN
    Q_UNUSED(refusal)
    m_process.setArguments({});
    m_process.setNativeArguments(launch.windowsArguments);
#else
    m_process.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
    m_process.setArguments(launch.arguments);
    if (!WineRun::isWindowsProgram(launch.program))
        return Outcome::StartProblem::None;
    for (const QString &text : launch.passedTexts + QStringList{launch.program}) {
        refusal->unpassableCharacter = WineRun::unpassableCharacter(text);
        if (!refusal->unpassableCharacter.isEmpty()) {
            refusal->unpassableText = text;
            return Outcome::StartProblem::UnpassableCharacter;
        }
    }
    const QString prefix = WinePrefixes::prefixOf(launch.program);
    const QString wine = WineRun::wineProgram(prefix, &refusal->wineRequested);
    if (wine.isEmpty())
        return Outcome::StartProblem::WineMissing;
    if (qEnvironmentVariableIsEmpty("TAVRIN_WINE") && WineRun::is32BitProgram(launch.program)
        && WineRun::lacks32BitWine())
        return Outcome::StartProblem::Wine32Missing;
    // cmd gets the command line from a variable: Wine would quote an argument with blanks as
    // a whole, which the terminal's programs refuse.
    m_process.setProgram(wine);
    m_process.setArguments({QStringLiteral("cmd"), QStringLiteral("/c"),
                            QLatin1Char('%') + WineRun::CommandVariable + QLatin1Char('%')});
    m_process.setProcessEnvironment(WineRun::environment(
        prefix, WineRun::commandLine(WineRun::windowsPath(prefix, launch.program), launch.windowsArguments)));
#endif
    return Outcome::StartProblem::None;
}

void TerminalProcess::stop()
{
    end(Outcome::Ending::Stopped);
}

void TerminalProcess::end(Outcome::Ending ending)
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_ending = ending;
    kill();
}

void TerminalProcess::kill()
{
#ifdef Q_OS_UNIX
    const qint64 group = m_process.processId();
    if (group > 0)
        ::kill(-pid_t(group), SIGKILL);
#endif
    m_process.kill();
}

bool TerminalProcess::isRunning() const
{
    return m_reportPending || m_process.state() != QProcess::NotRunning;
}

void TerminalProcess::keepOutput()
{
    m_output.append(m_process.readAll());
    if (m_output.size() > OutputTailBytes)
        m_output.remove(0, m_output.size() - OutputTailBytes);
}

void TerminalProcess::onFinished(int exitCode)
{
    m_bound.stop();
    keepOutput();
    m_reportPending = false;
    Outcome outcome;
    outcome.ending = m_ending;
    outcome.exitCode = exitCode;
    outcome.outputTail = m_output;
    Q_EMIT finished(outcome);
}

// Never from inside start(): its caller has not finished starting the run when it returns.
void TerminalProcess::reportLater(const Outcome &outcome)
{
    m_reportPending = true;
    QMetaObject::invokeMethod(
        this,
        [this, outcome] {
            m_reportPending = false;
            Q_EMIT finished(outcome);
        },
        Qt::QueuedConnection);
}
