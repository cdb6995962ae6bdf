#pragma once

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTimer>

// One run of a terminal's program (its compiler, the terminal itself) or of a native stand-in,
// without blocking: natively, or outside Windows a Windows program through Wine in the prefix
// that holds it. It reports once, through finished and always from the event loop.
class TerminalProcess final : public QObject
{
    Q_OBJECT

public:
    struct Launch final
    {
        QString program;           // host path
        QStringList arguments;     // for a native program outside Windows
        QString windowsArguments;  // the raw command line after the program, for a Windows program
        QStringList passedTexts;   // names inside windowsArguments; Wine must be able to pass them
        QString workingFolder;
        int timeoutMs = 0;         // 0: no bound
    };

    struct Outcome final
    {
        enum class Ending { Exited, Stopped, TimedOut, NotStarted };
        enum class StartProblem { None, NoProgram, WineMissing, Wine32Missing, UnpassableCharacter, StartFailed };

        Ending ending = Ending::NotStarted;
        int exitCode = -1;
        StartProblem problem = StartProblem::None;
        QString wineRequested;       // WineMissing: the Wine looked for
        QString unpassableText;      // UnpassableCharacter: the text holding it...
        QString unpassableCharacter; // ...and the character
        QByteArray outputTail;       // the last output of the program, both channels
    };

    // How much of the program's output the outcome keeps.
    static constexpr int OutputTailBytes = 4096;

    explicit TerminalProcess(QObject *parent = nullptr);
    // Kills a running program (and what it started, under Wine) without waiting for it.
    ~TerminalProcess() override;

    // Starts the run; finished follows later in every case, also when it cannot start.
    // Returns false when it is refused before starting (no program, no Wine, a character).
    bool start(const Launch &launch);
    // Kills a running program; finished then says Stopped.
    void stop();
    // From start() until finished has been emitted.
    bool isRunning() const;
    // The program of the last start(), as the caller named it.
    QString program() const { return m_program; }

    // The path program sees for hostPath: the same on Windows and for a native program, its
    // Wine path inside program's prefix for a Windows program outside Windows.
    static QString programSidePath(const QString &program, const QString &hostPath);

Q_SIGNALS:
    void finished(const TerminalProcess::Outcome &outcome);

private:
    Outcome::StartProblem prepare(const Launch &launch, Outcome *refusal);
    void onFinished(int exitCode);
    void end(Outcome::Ending ending);
    void kill();
    void reportLater(const Outcome &outcome);
    void keepOutput();

    QProcess m_process;
    QTimer m_bound;
    QByteArray m_output;
    QString m_program;
    Outcome::Ending m_ending = Outcome::Ending::Exited;
    bool m_reportPending = false;
};
