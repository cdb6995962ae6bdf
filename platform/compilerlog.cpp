#include "platform/compilerlog.h"

#include <QRegularExpression>

#include <algorithm>

namespace CompilerLog {

int errorCount(const QString &log)
{
    static const QRegularExpression result(QStringLiteral(R"(^\s*Result:\s*(\d+)\s+errors?\b)"),
                                           QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = result.match(log);
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

QStringList errorLines(const QString &log)
{
    // An optional place "PATH(line,column) :" and then "error N:".
    static const QRegularExpression error(
        QStringLiteral(R"(^\s*(?:(.*?)(\(\d+,\d+\))\s*:\s*)?error\s+\d+\s*:)"));
    QStringList lines;
    for (const QString &line : log.split(QRegularExpression(QStringLiteral("\r?\n")))) {
        const QRegularExpressionMatch match = error.match(line);
        if (!match.hasMatch())
            continue;
        if (match.capturedLength(1) == 0) {
            lines.append(line.trimmed());
            continue;
        }
        const QString path = match.captured(1);
        const qsizetype folderEnd = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
        lines.append(path.mid(folderEnd + 1).trimmed() + line.mid(match.capturedEnd(1)).trimmed());
    }
    return lines;
}

} // namespace CompilerLog
