#pragma once

#include "platform/terminalprocess.h"

#include <QObject>
#include <QString>
#include <QStringList>

// Running the terminal's compiler on one source file.
namespace CompilerRun {

inline const QString LogFileName = QStringLiteral("a.log");

// How long a compile may take, natively or through Wine: a compiler waiting for a dialog
// nobody sees, or Wine on a broken prefix, would otherwise never end.
constexpr int TimeoutMs = 180 * 1000;

// installFolder's "metaeditor.exe" when it is there, else its "metaeditor64.exe" (current MT5
// ships only that); names matched without regard to case. Empty when neither is there.
QString compilerPath(const QString &installFolder);

// "/compile:NAME" and "/log:a.log", as separate arguments.
QStringList compilerArguments(const QString &sourceFileName);

// The same as one native command line, quoting only the file name when it holds blanks:
// the compiler refuses an argument wrapped in quotes as a whole.
QString nativeCompilerArguments(const QString &sourceFileName);

struct Outcome final
{
    bool started = false;
    bool hasLog = false; // a log was left behind and could be read
    QString log;
    QString problem; // translated: why it could not start, or that it was stopped; else empty
};

// One compile, run without blocking: it removes a stale log, starts the compiler in
// workingFolder (a Windows one outside Windows through Wine), and reports once, through
// finished and always from the event loop, after the compiler exited, was stopped, outlasted
// its bound or could not start; then the log has been read (UTF-8 or as its byte-order mark
// says) and removed.
class Job final : public QObject
{
    Q_OBJECT

public:
    explicit Job(QObject *parent = nullptr);
    ~Job() override;

    // Returns false when the compiler is missing or cannot be passed its file; finished says
    // why, later, as it does when the program then fails to start.
    bool start(const QString &installFolder, const QString &workingFolder, const QString &sourceFileName,
               int timeoutMs = TimeoutMs);
    // Kills a running compiler; finished then says it was stopped.
    void stop();
    // From start() until finished has been emitted.
    bool isRunning() const;

Q_SIGNALS:
    void finished(const CompilerRun::Outcome &outcome);

private:
    void onProcessFinished(const TerminalProcess::Outcome &ended);

    TerminalProcess m_process;
    QString m_logPath;
    int m_timeoutMs = TimeoutMs;
};

} // namespace CompilerRun
