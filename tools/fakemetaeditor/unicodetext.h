#pragma once

#include <string>
#include <string_view>

// UTF-8, the stand-in's own encoding, to and from UTF-16, the log's and Windows' encoding.
// Broken sequences become U+FFFD, as a lenient reader shows them.
namespace UnicodeText {

std::u16string toUtf16(std::string_view utf8);
std::string toUtf8(std::u16string_view utf16);

// A file's bytes as UTF-8: UTF-16 (LE or BE) when a byte-order mark says so, else as they are.
std::string decoded(const std::string &bytes);

} // namespace UnicodeText
