#pragma once

#include <QString>

#include <optional>

// What a link in the chat does: a kind, and the number it acts on (a program, an entry, a
// line). Links are written and read here only, as "brevan:KIND[:NUMBER[:LINE]]", the spelling
// kept chats carry; any other href is a file or web address for the window to open.
struct ChatAction final
{
    enum class Kind {
        StopRequest,
        StopCompile,
        ShowProgram,  // number: the program, line: where to show it (0 for its top)
        CopyProgram,
        Deploy,       // save and compile the program again
        Restore,      // put back what the program's save replaced
        Versions,
        Regenerate,   // number: the answer's entry
        Edit,         // number: the request's entry
        FixErrors,    // number: the program whose compile errors to fix; -1 for the newest
        ShowRequest,  // the rest of a long request, opened in place by the transcript
        Backtest,     // number: the program to test in the terminal's tester
        StopBacktest,
    };

    Kind kind = Kind::StopRequest;
    int number = -1;
    int line = 0;

    QString href() const;
    // nullopt for an href that is not an action.
    static std::optional<ChatAction> fromHref(const QString &href);
};
