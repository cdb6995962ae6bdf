#pragma once

#include "mqlcheck.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace mqlcheck {

inline bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// Letters, digits, '_' and any byte of a UTF-8 sequence: identifiers may hold Chinese.
inline bool isWordCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'
           || (static_cast<unsigned char>(c) & 0x80) != 0;
}

std::string_view withoutByteOrderMark(std::string_view text);

// The partner of each bracket in marks, one character per place (a bracket of openers or
// closers, or anything else), or npos: each closer pairs with the nearest open bracket of its
// kind, and the openers passed over on the way stay unpaired, as does a closer without one.
std::vector<std::size_t> pairBrackets(std::string_view marks, std::string_view openers,
                                      std::string_view closers);

// The source with its comments and string and character literals blanked out byte by byte,
// line ends kept, so that the checks see only code and still report places of the original.
class CodeText final
{
public:
    explicit CodeText(std::string_view utf8Source);

    const std::string &code() const { return m_code; }
    // Comments and literals left open, met while blanking.
    const std::vector<Finding> &findings() const { return m_findings; }

    Finding errorAt(int code, std::size_t position, std::string message) const;

private:
    int lineOf(std::size_t position) const;
    int columnOf(std::size_t position) const;
    void blankCommentsAndLiterals();
    std::size_t blankLineComment(std::size_t start);
    std::size_t blankBlockComment(std::size_t start);
    std::size_t blankLiteral(std::size_t start);
    void blank(std::size_t from, std::size_t to);

    std::string_view m_original;
    std::string m_code;
    std::vector<std::size_t> m_lineStarts;
    std::vector<Finding> m_findings;
};

} // namespace mqlcheck
