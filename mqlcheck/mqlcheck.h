#pragma once

// The honest checks a compile of an MQL4/MQL5 program can make without the vendor's compiler:
// plain standard C++, so that the stand-in compiler builds for Windows and any service can
// link it. Light checks: what they refuse is surely wrong, what they accept may still fail
// a real compile.

#include <string>
#include <string_view>
#include <vector>

namespace mqlcheck {

enum class Language { Mql4, Mql5 };
enum class Kind { Indicator, ExpertAdvisor };

// The numbers shown after "error" or "warning" in a compile log, one per kind of remark.
namespace code {
constexpr int NoSourceGiven = 100;
constexpr int CannotOpenSource = 101;
constexpr int EmptySource = 102;
constexpr int UnsupportedFileType = 103;
constexpr int CannotWriteOutput = 104;
constexpr int UnexpectedCloser = 110;
constexpr int UnclosedOpener = 111;
constexpr int UnterminatedComment = 112;
constexpr int UnterminatedLiteral = 113;
constexpr int MissingEntryPoint = 120;
constexpr int NotAvailableInLanguage = 121;
constexpr int MissingOnInit = 200;
constexpr int CannotRemoveOldOutput = 201;
} // namespace code

struct Finding {
    enum class Severity { Error, Warning };
    Severity severity = Severity::Error;
    int code = 0;        // the number shown after "error"/"warning" in the log
    int line = 0;        // 1-based; 0 when not about a place in the source
    int column = 0;      // 1-based, in characters
    std::string message; // UTF-8, English, e.g. names the missing handler 'OnTick'
};

// Checks one program's UTF-8 text: balanced brackets outside comments/strings, the handlers its
// kind needs, no functions of the other language. A leading byte-order mark is ignored; a
// text of blanks only is reported as empty. Findings come in the order of their places.
std::vector<Finding> checkProgram(std::string_view utf8Source, Language language, Kind kind);

// Whether the program declares itself an indicator (a "#property indicator_..." line).
bool declaresIndicator(std::string_view utf8Source);

} // namespace mqlcheck
