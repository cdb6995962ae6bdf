#include "widgets/mqlhighlighter.h"

#include <QSet>
#include <QTextBlock>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Block states of the whole-document mode: inside a comment that the block leaves open.
constexpr int kPlain = 0;
constexpr int kInComment = 1;

QTextCharFormat colour(const QColor &foreground, bool bold = false, bool italic = false)
{
    QTextCharFormat format;
    format.setForeground(foreground);
    if (bold)
        format.setFontWeight(QFont::Bold);
    format.setFontItalic(italic);
    return format;
}

const QSet<QString> &keywords()
{
    static const QSet<QString> words = {
        // Statements and declarations.
        u"if"_s, u"else"_s, u"for"_s, u"while"_s, u"do"_s, u"switch"_s, u"case"_s, u"default"_s,
        u"break"_s, u"continue"_s, u"return"_s, u"new"_s, u"delete"_s, u"class"_s, u"struct"_s,
        u"enum"_s, u"public"_s, u"private"_s, u"protected"_s, u"virtual"_s, u"static"_s, u"const"_s,
        u"input"_s, u"extern"_s, u"sinput"_s, u"true"_s, u"false"_s, u"NULL"_s, u"this"_s,
        u"template"_s, u"typename"_s, u"sizeof"_s, u"operator"_s,
        // Types.
        u"void"_s, u"bool"_s, u"char"_s, u"uchar"_s, u"short"_s, u"ushort"_s, u"int"_s, u"uint"_s,
        u"long"_s, u"ulong"_s, u"float"_s, u"double"_s, u"string"_s, u"color"_s, u"datetime"_s};
    return words;
}

bool endsLine(QChar c)
{
    return c == QLatin1Char('\n') || c == QChar(QChar::LineSeparator);
}

} // namespace

MqlHighlighter::MqlHighlighter(QTextDocument *document, int codeStartProperty)
    : QSyntaxHighlighter(document)
    , m_codeStartProperty(codeStartProperty)
{
}

void MqlHighlighter::highlightBlock(const QString &text)
{
    static const QTextCharFormat keyword = colour(QColor(0x00, 0x00, 0xC0), true);
    static const QTextCharFormat preprocessor = colour(QColor(0x80, 0x00, 0x80));
    static const QTextCharFormat literal = colour(QColor(0xA3, 0x15, 0x15));
    static const QTextCharFormat comment = colour(QColor(0x00, 0x80, 0x00), false, true);
    static const QTextCharFormat number = colour(QColor(0x09, 0x86, 0x58));

    qsizetype start = 0;
    qsizetype end = text.size();
    bool inComment = false;
    if (m_codeStartProperty >= 0) {
        const QTextBlockFormat format = currentBlock().blockFormat();
        if (!format.hasProperty(m_codeStartProperty))
            return;
        start = format.intProperty(m_codeStartProperty);
        end = std::min<qsizetype>(end, start + format.intProperty(m_codeStartProperty + 1));
    } else {
        inComment = previousBlockState() == kInComment;
    }

    // Colours a block comment from "from" on, its end searched from searchFrom; returns where it ends.
    const auto blockComment = [&](qsizetype from, qsizetype searchFrom) {
        const qsizetype close = text.indexOf(QLatin1String("*/"), searchFrom);
        inComment = close < 0 || close + 2 > end;
        const qsizetype stop = inComment ? end : close + 2;
        setFormat(int(from), int(stop - from), comment);
        return stop;
    };
    qsizetype i = inComment ? blockComment(start, start) : start;
    bool lineStart = true;
    while (i < end) {
        const QChar c = text.at(i);
        qsizetype next = i + 1;
        if (c == QLatin1Char('/') && i + 1 < end && text.at(i + 1) == QLatin1Char('/')) {
            while (next < end && !endsLine(text.at(next)))
                ++next;
            setFormat(int(i), int(next - i), comment);
        } else if (c == QLatin1Char('/') && i + 1 < end && text.at(i + 1) == QLatin1Char('*')) {
            next = blockComment(i, i + 2);
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            while (next < end && text.at(next) != c && !endsLine(text.at(next)))
                next += text.at(next) == QLatin1Char('\\') ? 2 : 1;
            next = std::min(end, next + 1);
            setFormat(int(i), int(next - i), literal);
        } else if (c == QLatin1Char('#') && lineStart) {
            while (next < end && text.at(next).isLetter())
                ++next;
            setFormat(int(i), int(next - i), preprocessor);
        } else if (c.isDigit()) {
            while (next < end && (text.at(next).isLetterOrNumber() || text.at(next) == QLatin1Char('.')))
                ++next;
            setFormat(int(i), int(next - i), number);
        } else if (c.isLetter() || c == QLatin1Char('_')) {
            while (next < end && (text.at(next).isLetterOrNumber() || text.at(next) == QLatin1Char('_')))
                ++next;
            if (keywords().contains(text.mid(i, next - i)))
                setFormat(int(i), int(next - i), keyword);
        }
        lineStart = endsLine(c) || (lineStart && c.isSpace());
        i = next;
    }
    if (m_codeStartProperty < 0)
        setCurrentBlockState(inComment ? kInComment : kPlain);
}
