#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What one run is asked to do, read from its command line.
struct CompileRequest final
{
    std::filesystem::path sourcePath; // absolute; empty without a /compile argument
    std::filesystem::path logPath;    // absolute; without /log the source's path with extension ".log"

    // "/compile:NAME" and "/log:FILE" (UTF-8), each relative to workingFolder unless absolute,
    // the value possibly in quotes; other arguments are ignored, the last of a kind counts.
    static CompileRequest fromArguments(const std::vector<std::string> &arguments,
                                        const std::filesystem::path &workingFolder);

    // The arguments of a Windows command line, program name included, split the way the
    // terminal's compiler splits it: blanks outside quotes separate, quotes inside an argument
    // are dropped (/compile:"a b.mq5" is one file name). An argument quoted as a whole
    // ("/compile:a b.mq5") is refused: nothing; unless wholeQuotes, as the terminal takes them
    // ("C:\a b\test.ini").
    static std::optional<std::vector<std::string>> splitCommandLine(std::string_view utf8CommandLine,
                                                                    bool wholeQuotes = false);

    // The program's arguments after its name, UTF-8: on Windows its raw command line split as
    // above, not as the C runtime does; nothing when the command line is refused.
    static std::optional<std::vector<std::string>> commandArguments(int argc, char *argv[],
                                                                    bool wholeQuotes = false);
};
