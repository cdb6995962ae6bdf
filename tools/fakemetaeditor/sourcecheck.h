#pragma once

#include "compilelog.h"

#include <filesystem>
#include <optional>

// The checks a compile makes on one source file: that it can be read and is a program of a
// known language, then mqlcheck's checks of the program.
namespace SourceCheck {

// By the extension: ".mq4" or ".mq5"; nothing for any other file.
std::optional<mqlcheck::Language> languageOf(const std::filesystem::path &sourcePath);

// Reads the file (UTF-8 unless a byte-order mark says otherwise) and checks it. A program in
// an "Indicators" folder or declaring itself one is an indicator, any other an Expert Advisor.
FindingList run(const std::filesystem::path &sourcePath);

} // namespace SourceCheck
