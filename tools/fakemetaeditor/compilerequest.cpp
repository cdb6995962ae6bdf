#include "compilerequest.h"

#include "unicodetext.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// A client quotes only the value, and a C runtime strips those quotes; a value that still
// has them is taken without them too.
std::string unquoted(std::string value)
{
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        return value.substr(1, value.size() - 2);
    return value;
}

bool takeOption(const std::string &argument, std::string_view prefix, std::string *value)
{
    if (argument.compare(0, prefix.size(), prefix) != 0)
        return false;
    *value = unquoted(argument.substr(prefix.size()));
    return true;
}

std::filesystem::path absolutePath(const std::filesystem::path &workingFolder, const std::string &path)
{
    return (workingFolder / std::filesystem::u8path(path)).lexically_normal();
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

CompileRequest CompileRequest::fromArguments(const std::vector<std::string> &arguments,
                                             const std::filesystem::path &workingFolder)
{
    std::string source;
    std::string log;
    for (const std::string &argument : arguments) {
        if (!takeOption(argument, "/compile:", &source))
            takeOption(argument, "/log:", &log);
    }

    CompileRequest request;
    if (!source.empty())
        request.sourcePath = absolutePath(workingFolder, source);
    if (!log.empty())
        request.logPath = absolutePath(workingFolder, log);
    else if (!source.empty())
        request.logPath = std::filesystem::path(request.sourcePath).replace_extension(".log");
    return request;
}

std::optional<std::vector<std::string>> CompileRequest::splitCommandLine(std::string_view commandLine, bool wholeQuotes)
{
    std::vector<std::string> arguments;
    std::size_t i = 0;
    while (true) {
        while (i < commandLine.size() && isBlank(commandLine[i]))
            ++i;
        if (i == commandLine.size())
            break;
        // The program's own name may well be quoted as a whole.
        if (commandLine[i] == '"' && !arguments.empty() && !wholeQuotes)
            return std::nullopt;
        std::string argument;
        bool quoted = false;
        for (; i < commandLine.size() && (quoted || !isBlank(commandLine[i])); ++i) {
            if (commandLine[i] == '"')
                quoted = !quoted;
            else
                argument += commandLine[i];
        }
        arguments.push_back(argument);
    }
    return arguments;
}

std::optional<std::vector<std::string>> CompileRequest::commandArguments(int argc, char *argv[], bool wholeQuotes)
{
#ifdef _WIN32
    (void)argc;
    (void)argv;
    const std::wstring_view wide = GetCommandLineW();
    auto arguments = splitCommandLine(UnicodeText::toUtf8(std::u16string(wide.begin(), wide.end())), wholeQuotes);
#else
    (void)wholeQuotes;
    auto arguments = std::optional(std::vector<std::string>(argv, argv + argc));
#endif
    if (arguments && !arguments->empty())
        arguments->erase(arguments->begin());
    return arguments;
}
