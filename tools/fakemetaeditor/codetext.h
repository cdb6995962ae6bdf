#pragma once

#include "finding.h"

#include <QList>
#include <QString>

// The source with its comments and string and character literals blanked out, line ends
// kept, so that the checks see only code and still report places of the original text.
class CodeText final
{
public:
    explicit CodeText(const QString &source);

    const QString &code() const;
    // Comments and literals left open, met while blanking.
    const FindingList &findings() const;

    // 1-based line and column of a position in the text.
    int lineOf(qsizetype position) const;
    int columnOf(qsizetype position) const;

    Finding errorAt(Finding::Code code, qsizetype position, const QString &message) const;

private:
    void blankCommentsAndLiterals();
    qsizetype blankLineComment(qsizetype start);
    qsizetype blankBlockComment(qsizetype start);
    qsizetype blankLiteral(qsizetype start);
    void blank(qsizetype from, qsizetype to);

    QString m_code;
    QList<qsizetype> m_lineStarts;
    FindingList m_findings;
};
