#include "codetext.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace mqlcheck {

std::vector<std::size_t> pairBrackets(std::string_view marks, std::string_view openers,
                                      std::string_view closers)
{
    constexpr std::size_t none = std::string_view::npos;
    std::vector<std::size_t> partner(marks.size(), none);
    std::vector<std::size_t> open;
    // So that a closer without an opener costs nothing.
    std::vector<std::size_t> openOfKind(openers.size(), 0);
    for (std::size_t i = 0; i < marks.size(); ++i) {
        if (const std::size_t kind = openers.find(marks[i]); kind != none) {
            open.push_back(i);
            ++openOfKind[kind];
            continue;
        }
        const std::size_t kind = closers.find(marks[i]);
        if (kind == none || openOfKind[kind] == 0)
            continue;
        const auto match = std::find_if(open.rbegin(), open.rend(),
                                        [&](std::size_t o) { return marks[o] == openers[kind]; });
        partner[*match] = i;
        partner[i] = *match;
        for (auto passed = open.rbegin(); passed != std::next(match); ++passed)
            --openOfKind[openers.find(marks[*passed])];
        open.erase(std::prev(match.base()), open.end());
    }
    return partner;
}

std::string_view withoutByteOrderMark(std::string_view text)
{
    constexpr std::string_view mark = "\xEF\xBB\xBF";
    return text.substr(0, mark.size()) == mark ? text.substr(mark.size()) : text;
}

CodeText::CodeText(std::string_view utf8Source)
    : m_original(utf8Source)
    , m_code(utf8Source)
{
    m_lineStarts.push_back(0);
    for (std::size_t i = 0; i < m_code.size(); ++i) {
        if (m_code[i] == '\n')
            m_lineStarts.push_back(i + 1);
    }
    blankCommentsAndLiterals();
}

Finding CodeText::errorAt(int code, std::size_t position, std::string message) const
{
    return {Finding::Severity::Error, code, lineOf(position), columnOf(position),
            std::move(message)};
}

int CodeText::lineOf(std::size_t position) const
{
    return int(std::upper_bound(m_lineStarts.cbegin(), m_lineStarts.cend(), position)
               - m_lineStarts.cbegin());
}

// Characters, not bytes: UTF-8 continuation bytes do not start one.
int CodeText::columnOf(std::size_t position) const
{
    const std::size_t lineStart = m_lineStarts[std::size_t(lineOf(position) - 1)];
    const auto characterStart = [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; };
    return int(std::count_if(m_original.begin() + std::ptrdiff_t(lineStart),
                             m_original.begin() + std::ptrdiff_t(position), characterStart))
           + 1;
}

void CodeText::blankCommentsAndLiterals()
{
    std::size_t i = 0;
    while (i < m_code.size()) {
        const char c = m_code[i];
        const char next = i + 1 < m_code.size() ? m_code[i + 1] : '\0';
        if (c == '/' && next == '/')
            i = blankLineComment(i);
        else if (c == '/' && next == '*')
            i = blankBlockComment(i);
        else if (c == '"' || c == '\'')
            i = blankLiteral(i);
        else
            ++i;
    }
}

std::size_t CodeText::blankLineComment(std::size_t start)
{
    const std::size_t end = std::min(m_code.find('\n', start), m_code.size());
    blank(start, end);
    return end;
}

std::size_t CodeText::blankBlockComment(std::size_t start)
{
    const std::size_t close = m_code.find("*/", start + 2);
    if (close == std::string::npos) {
        m_findings.push_back(errorAt(code::UnterminatedComment, start, "comment is not closed"));
        blank(start, m_code.size());
        return m_code.size();
    }
    blank(start, close + 2);
    return close + 2;
}

// A literal ends at its closing quote on the same line; a backslash escapes the next
// character, a line end included.
std::size_t CodeText::blankLiteral(std::size_t start)
{
    const char quote = m_code[start];
    std::size_t i = start + 1;
    while (i < m_code.size() && m_code[i] != quote && m_code[i] != '\n')
        i += m_code[i] == '\\' ? 2 : 1;
    if (i < m_code.size() && m_code[i] == quote) {
        blank(start, i + 1);
        return i + 1;
    }
    const std::string what = quote == '"' ? "string" : "character constant";
    m_findings.push_back(errorAt(code::UnterminatedLiteral, start, what + " is not closed"));
    i = std::min(i, m_code.size());
    blank(start, i);
    return i;
}

void CodeText::blank(std::size_t from, std::size_t to)
{
    for (std::size_t i = from; i < to; ++i) {
        if (m_code[i] != '\n')
            m_code[i] = ' ';
    }
}

} // namespace mqlcheck
