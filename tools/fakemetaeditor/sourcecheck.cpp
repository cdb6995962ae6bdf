#include "sourcecheck.h"

#include "unicodetext.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

namespace SourceCheck {

namespace {

std::string lowerCase(std::string text)
{
    for (char &c : text)
        c = c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
    return text;
}

// At the start of the file, or about the file as a whole.
mqlcheck::Finding error(int code, bool atStart, std::string message)
{
    const int place = atStart ? 1 : 0;
    return {mqlcheck::Finding::Severity::Error, code, place, place, std::move(message)};
}

} // namespace

std::optional<mqlcheck::Language> languageOf(const std::filesystem::path &sourcePath)
{
    const std::string extension = lowerCase(sourcePath.extension().u8string());
    if (extension == ".mq4")
        return mqlcheck::Language::Mql4;
    if (extension == ".mq5")
        return mqlcheck::Language::Mql5;
    return std::nullopt;
}

FindingList run(const std::filesystem::path &sourcePath)
{
    const std::string fileName = sourcePath.filename().u8string();
    const auto language = languageOf(sourcePath);
    if (!language)
        return {error(mqlcheck::code::UnsupportedFileType, true, "unsupported file type '" + fileName + "'")};
    std::ifstream file(sourcePath, std::ios::binary);
    if (!file) {
        return {error(mqlcheck::code::CannotOpenSource, false,
                      "cannot open source file '" + fileName + "': " + std::strerror(errno))};
    }
    const std::string text = UnicodeText::decoded(
        std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()));
    const bool inIndicatorsFolder = lowerCase(sourcePath.parent_path().filename().u8string()) == "indicators";
    const auto kind = inIndicatorsFolder || mqlcheck::declaresIndicator(text) ? mqlcheck::Kind::Indicator
                                                                              : mqlcheck::Kind::ExpertAdvisor;
    return mqlcheck::checkProgram(text, *language, kind);
}

} // namespace SourceCheck
