// A stand-in for the terminal's compiler: checks one source file lightly, writes a log in
// the compiler's format and, when clean, a marker output file, so that the client's
// compile step can be run and tested on any machine. Standard C++ only, so that it also
// builds as a Windows program and can be run through Wine like the real one.

#include "compilelog.h"
#include "compilerequest.h"
#include "sourcecheck.h"
#include "unicodetext.h"

#include <cstdio>
#include <fstream>
#include <system_error>


namespace fs = std::filesystem;

namespace {

FindingList aboutRun(mqlcheck::Finding::Severity severity, int code, std::string message)
{
    return {{severity, code, 0, 0, std::move(message)}};
}

FindingList writeOutput(const fs::path &path, const std::string &sourceName)
{
    const std::string content = "stand-in compiled output of '" + sourceName + "'\n";
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (file.write(content.data(), std::streamsize(content.size())) && (file.close(), file))
        return {};
    return aboutRun(mqlcheck::Finding::Severity::Error, mqlcheck::code::CannotWriteOutput,
                    "cannot write '" + path.filename().u8string() + "'");
}

FindingList removeOutput(const fs::path &path)
{
    std::error_code error;
    fs::remove(path, error);
    if (!error)
        return {};
    return aboutRun(mqlcheck::Finding::Severity::Warning, mqlcheck::code::CannotRemoveOldOutput,
                    "cannot remove old '" + path.filename().u8string() + "': " + error.message());
}

// NAME.ex4 or NAME.ex5 beside the source. A failed build leaves no output behind, so an old
// one never passes for a fresh one.
FindingList updateOutput(const fs::path &sourcePath, bool clean)
{
    const auto language = SourceCheck::languageOf(sourcePath);
    if (!language)
        return {};
    const fs::path output = fs::path(sourcePath).replace_extension(
        *language == mqlcheck::Language::Mql4 ? ".ex4" : ".ex5");
    return clean ? writeOutput(output, sourcePath.filename().u8string()) : removeOutput(output);
}

} // namespace

int main(int argc, char *argv[])
{
    const auto arguments = CompileRequest::commandArguments(argc, argv);
    if (!arguments) {
        std::fputs("an argument quoted as a whole is not understood; quote only the file name\n", stderr);
        return 2;
    }
    const CompileRequest request = CompileRequest::fromArguments(*arguments, fs::current_path());

    CompileLog log(request.sourcePath.filename().u8string());
    if (request.sourcePath.empty()) {
        log.add(aboutRun(mqlcheck::Finding::Severity::Error, mqlcheck::code::NoSourceGiven,
                         "no source file given, use /compile:NAME"));
    } else {
        log.add(SourceCheck::run(request.sourcePath));
        log.add(updateOutput(request.sourcePath, log.errorCount() == 0));
    }

    if (request.logPath.empty()) {
        std::fputs("usage: metaeditor.exe /compile:NAME [/log:FILE]\n", stderr);
        return 1;
    }
    if (!log.write(request.logPath)) {
        std::fprintf(stderr, "cannot write the log %s\n", request.logPath.u8string().c_str());
        return 1;
    }
    return log.errorCount() == 0 ? 0 : 1;
}
