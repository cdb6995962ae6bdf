#include "client/archive/linediff.h"

#include <QRegularExpression>
#include <QStringList>

#include <vector>

namespace {

QStringList linesOf(const QString &text)
{
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\n|\r"));
    QStringList lines = text.split(lineEnd);
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

namespace LineDiff {

QList<Line> compare(const QString &from, const QString &to)
{
    const QStringList a = linesOf(from);
    const QStringList b = linesOf(to);
    const qsizetype n = a.size();
    const qsizetype m = b.size();
    // shared[i][j]: the longest common run of a[i..] and b[j..].
    std::vector<std::vector<int>> shared(size_t(n + 1), std::vector<int>(size_t(m + 1), 0));
    for (qsizetype i = n - 1; i >= 0; --i) {
        for (qsizetype j = m - 1; j >= 0; --j) {
            shared[i][j] = a.at(i) == b.at(j) ? shared[i + 1][j + 1] + 1 : std::max(shared[i + 1][j], shared[i][j + 1]);
        }
    }
    QList<Line> lines;
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < n || j < m) {
        if (i < n && j < m && a.at(i) == b.at(j)) {
            lines.append({Line::Kind::Same, a.at(i++)});
            ++j;
        } else if (i < n && (j == m || shared[i + 1][j] >= shared[i][j + 1])) {
            lines.append({Line::Kind::Removed, a.at(i++)});
        } else {
            lines.append({Line::Kind::Added, b.at(j++)});
        }
    }
    return lines;
}

QString listing(const QList<Line> &lines)
{
    QString text;
    for (const Line &line : lines) {
        text += line.kind == Line::Kind::Same ? QLatin1String("  ")
            : line.kind == Line::Kind::Removed ? QLatin1String("- ")
                                                : QLatin1String("+ ");
        text += line.text + QLatin1Char('\n');
    }
    return text;
}

} // namespace LineDiff
