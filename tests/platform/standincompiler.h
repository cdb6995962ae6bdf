#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Puts a compiler into a temporary installation folder as metaeditor.exe: a copy of the
// stand-in tool, or a script that records how it was started.
namespace StandInCompiler {

struct Run final
{
    QString workingFolder; // canonical
    QStringList arguments;
};

// Copies program into installFolder as metaeditor.exe, keeping it executable.
bool installCopy(const QString &program, const QString &installFolder);

// A metaeditor.exe that appends each run to recordPath and leaves a copy of logSource as
// a.log in its working folder; with an empty logSource it leaves no log at all.
bool installRecorder(const QString &installFolder, const QString &recordPath,
                     const QString &logSource = {});

// The runs recorded so far, oldest first; none when the record does not exist.
QList<Run> recordedRuns(const QString &recordPath);

} // namespace StandInCompiler
