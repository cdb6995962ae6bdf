#pragma once

#include <QString>
#include <QStringList>

// Reading the terminal compiler's log, for handing its errors back to the service.
namespace CompilerLog {

// N of the log's "Result: N errors" line; 0 when there is none.
int errorCount(const QString &log);

// The lines that report an error, in their order, each source path shortened to the file
// name: "C:\...\Experts\My EA.mq5(12,5) : error 121: ..." reads "My EA.mq5(12,5) : error 121: ...".
// The service needs no folder of the trader's machine to fix the program.
QStringList errorLines(const QString &log);

} // namespace CompilerLog
