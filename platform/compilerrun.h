#pragma once

#include <QString>
#include <QStringList>

// Running the terminal's metaeditor.exe on one source file.
namespace CompilerRun {

inline const QString LogFileName = QStringLiteral("a.log");

// installFolder joined with "metaeditor.exe".
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
};

// Removes a stale log, runs the compiler in workingFolder and waits for it without a time
// limit, then reads the log (UTF-8 or as its byte-order mark says) and removes it.
Outcome compile(const QString &installFolder, const QString &workingFolder,
                const QString &sourceFileName);

} // namespace CompilerRun
