#include "codetext.h"

#include <algorithm>

CodeText::CodeText(const QString &source)
    : m_code(source)
{
    m_lineStarts.append(0);
    for (qsizetype i = 0; i < source.size(); ++i) {
        if (source.at(i) == QLatin1Char('\n'))
            m_lineStarts.append(i + 1);
    }
    blankCommentsAndLiterals();
}

const QString &CodeText::code() const
{
    return m_code;
}

const FindingList &CodeText::findings() const
{
    return m_findings;
}

int CodeText::lineOf(qsizetype position) const
{
    return int(std::upper_bound(m_lineStarts.cbegin(), m_lineStarts.cend(), position)
               - m_lineStarts.cbegin());
}

int CodeText::columnOf(qsizetype position) const
{
    return int(position - m_lineStarts.at(lineOf(position) - 1) + 1);
}

Finding CodeText::errorAt(Finding::Code code, qsizetype position, const QString &message) const
{
    return Finding::error(code, lineOf(position), columnOf(position), message);
}

void CodeText::blankCommentsAndLiterals()
{
    qsizetype i = 0;
    while (i < m_code.size()) {
        const QChar c = m_code.at(i);
        const QChar next = i + 1 < m_code.size() ? m_code.at(i + 1) : QChar();
        if (c == QLatin1Char('/') && next == QLatin1Char('/'))
            i = blankLineComment(i);
        else if (c == QLatin1Char('/') && next == QLatin1Char('*'))
            i = blankBlockComment(i);
        else if (c == QLatin1Char('"') || c == QLatin1Char('\''))
            i = blankLiteral(i);
        else
            ++i;
    }
}

qsizetype CodeText::blankLineComment(qsizetype start)
{
    qsizetype end = m_code.indexOf(QLatin1Char('\n'), start);
    if (end < 0)
        end = m_code.size();
    blank(start, end);
    return end;
}

qsizetype CodeText::blankBlockComment(qsizetype start)
{
    const qsizetype close = m_code.indexOf(QLatin1String("*/"), start + 2);
    if (close < 0) {
        m_findings.append(errorAt(Finding::Code::UnterminatedComment, start,
                                  QStringLiteral("comment is not closed")));
        blank(start, m_code.size());
        return m_code.size();
    }
    blank(start, close + 2);
    return close + 2;
}

// A literal ends at its closing quote on the same line; a backslash escapes the next
// character, a line end included.
qsizetype CodeText::blankLiteral(qsizetype start)
{
    const QChar quote = m_code.at(start);
    qsizetype i = start + 1;
    while (i < m_code.size() && m_code.at(i) != quote && m_code.at(i) != QLatin1Char('\n'))
        i += m_code.at(i) == QLatin1Char('\\') ? 2 : 1;
    if (i < m_code.size() && m_code.at(i) == quote) {
        blank(start, i + 1);
        return i + 1;
    }
    const QString what = quote == QLatin1Char('"') ? QStringLiteral("string")
                                                   : QStringLiteral("character constant");
    m_findings.append(errorAt(Finding::Code::UnterminatedLiteral, start,
                              QStringLiteral("%1 is not closed").arg(what)));
    i = std::min(i, m_code.size());
    blank(start, i);
    return i;
}

void CodeText::blank(qsizetype from, qsizetype to)
{
    for (qsizetype i = from; i < to; ++i) {
        if (m_code.at(i) != QLatin1Char('\n'))
            m_code[i] = QLatin1Char(' ');
    }
}
