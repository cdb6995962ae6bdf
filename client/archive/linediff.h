#pragma once

#include <QList>
#include <QString>

// A line-by-line difference between two versions of a program: the longest run of lines both
// share stays, the rest is removed from the first or added by the second.
namespace LineDiff {

struct Line final
{
    enum class Kind { Same, Removed, Added };

    Kind kind = Kind::Same;
    QString text;

    bool operator==(const Line &other) const { return kind == other.kind && text == other.text; }
};

// The lines of from turned into those of to, in order; line ends of either kind.
QList<Line> compare(const QString &from, const QString &to);

// As a unified listing: "  " before a shared line, "- " before a removed one, "+ " before an
// added one.
QString listing(const QList<Line> &lines);

} // namespace LineDiff
