#pragma once

#include <QString>
#include <QStringView>

// What the service writes to its log is one line per message, whatever a client put in a path
// or a session id: nobody can forge a line of it.
namespace LogLine {

// The text with CR, LF, tab and every other control or line-breaking character written as
// \r, \n, \t or \uXXXX.
QString escaped(QStringView text);

// Makes every message of this process go through escaped() on its way to the log.
void escapeAllMessages();

} // namespace LogLine
