#pragma once

#include <QDir>
#include <QString>
#include <QStringList>

// What one run is asked to do, read from its command line.
struct CompileRequest final
{
    QString sourcePath; // absolute; empty without a /compile argument
    QString logPath;    // absolute; without /log the source's path with extension ".log"

    // "/compile:NAME" and "/log:FILE", each relative to workingFolder unless absolute, the
    // value possibly in quotes; other arguments are ignored, the last of a kind counts.
    static CompileRequest fromArguments(const QStringList &arguments, const QDir &workingFolder);
};
