#pragma once

#include <QString>
#include <QStringList>

class QProcess;

// Running the terminal's compiler on one source file.
namespace CompilerRun {

inline const QString LogFileName = QStringLiteral("a.log");

// How long a compile through Wine may take: Wine can hang on a broken prefix.
constexpr int WineTimeoutMs = 180 * 1000;

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

// Removes a stale log, runs the compiler in workingFolder, a Windows one outside Windows
// through Wine, and waits for it (a Wine run for at most wineTimeoutMs, then it is killed),
// then reads the log (UTF-8 or as its byte-order mark says) and removes it.
Outcome compile(const QString &installFolder, const QString &workingFolder,
                const QString &sourceFileName, int wineTimeoutMs = WineTimeoutMs);

} // namespace CompilerRun
