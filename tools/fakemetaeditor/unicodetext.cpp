#include "unicodetext.h"

namespace UnicodeText {

namespace {

constexpr char32_t replacement = 0xFFFD;

// The code point starting at i, i moved past it.
char32_t nextCodePoint(std::string_view utf8, std::size_t &i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(utf8[k]); };
    const unsigned char lead = byte(i++);
    if (lead < 0x80)
        return lead;
    const int extra = lead >= 0xF8 ? -1 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
    if (extra < 0)
        return replacement;
    char32_t point = lead & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        if (i >= utf8.size() || (byte(i) & 0xC0) != 0x80)
            return replacement;
        point = (point << 6) | (byte(i++) & 0x3F);
    }
    return point > 0x10FFFF || (point >= 0xD800 && point < 0xE000) ? replacement : point;
}

void appendUtf8(std::string &out, char32_t point)
{
    if (point < 0x80) {
        out += char(point);
    } else if (point < 0x800) {
        out += char(0xC0 | (point >> 6));
        out += char(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        out += char(0xE0 | (point >> 12));
        out += char(0x80 | ((point >> 6) & 0x3F));
        out += char(0x80 | (point & 0x3F));
    } else {
        out += char(0xF0 | (point >> 18));
        out += char(0x80 | ((point >> 12) & 0x3F));
        out += char(0x80 | ((point >> 6) & 0x3F));
        out += char(0x80 | (point & 0x3F));
    }
}

} // namespace

std::u16string toUtf16(std::string_view utf8)
{
    std::u16string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t point = nextCodePoint(utf8, i);
        if (point < 0x10000) {
            out += char16_t(point);
        } else {
            out += char16_t(0xD800 + ((point - 0x10000) >> 10));
            out += char16_t(0xDC00 + ((point - 0x10000) & 0x3FF));
        }
    }
    return out;
}

std::string toUtf8(std::u16string_view utf16)
{
    std::string out;
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t point = utf16[i];
        const bool high = point >= 0xD800 && point < 0xDC00;
        if (high && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] < 0xE000)
            point = 0x10000 + ((point - 0xD800) << 10) + (utf16[++i] - 0xDC00);
        else if (point >= 0xD800 && point < 0xE000)
            point = replacement;
        appendUtf8(out, point);
    }
    return out;
}

std::string decoded(const std::string &bytes)
{
    const bool littleEndian = bytes.compare(0, 2, "\xFF\xFE") == 0;
    if (!littleEndian && bytes.compare(0, 2, "\xFE\xFF") != 0)
        return bytes;
    std::u16string units;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        units += littleEndian ? char16_t(first | second << 8) : char16_t(first << 8 | second);
    }
    return toUtf8(units);
}

} // namespace UnicodeText
