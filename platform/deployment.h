#pragma once

#include "protocol/domain.h"
#include <QDateTime>
#include <QString>

// The widget-free steps of writing an answer into a terminal's MQL folder.
namespace Deployment {

// "Tavrin_yyyyMMdd_HHmmss", for an empty name field.
QString defaultSourceName(const QDateTime &when);

// "/MQL4" or "/MQL5" appended to the data folder as plain text.
QString mqlFolder(const QString &dataFolder, Protocol::Platform platform);

// The MQL folder's "Indicators" or "Experts" sub-folder, or the MQL folder itself when that
// sub-folder is missing; "/" separators.
QString targetFolder(const QString &mqlFolder, Protocol::ProgramType type);

// Why name cannot be used as a file name inside the target folder (a path separator,
// a parent-folder reference); empty when it can.
QString sourceNameProblem(const QString &name);

// The file's bytes: UTF-8 without byte-order mark, every line ending in CR LF on
// Windows and LF elsewhere, whatever line ends the text came with.
QByteArray sourceFileContent(const QString &code);

struct WriteResult final
{
    bool ok = false;
    QString error; // the file's error text when !ok
};

// Replaces path atomically: on any failure the previous file, if any, stays intact.
WriteResult writeFileAtomically(const QString &path, const QByteArray &content);

// writeFileAtomically with sourceFileContent(code).
WriteResult writeSourceFile(const QString &path, const QString &code);

} // namespace Deployment
