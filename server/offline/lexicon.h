#pragma once

#include <QRegularExpression>
#include <QString>
#include <QStringList>

namespace offline {

// A pattern of the reader's: "\b" is a boundary of English words and numbers only, as Chinese
// touches them without a space ("RSI周期").
QRegularExpression readerPattern(QString text);

// One pattern matching any of the words, the longest first, so that "柱状图" is not read as "柱".
QRegularExpression anyOf(QStringList words);

} // namespace offline
