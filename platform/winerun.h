#pragma once

#include <QProcessEnvironment>
#include <QString>

// Running a terminal's Windows programs through Wine on Linux and macOS.
namespace WineRun {

// A Windows program starts with the bytes "MZ".
bool isWindowsProgram(const QString &path);

// A 32-bit Windows program (MT4's compiler), which a 64-bit-only Wine cannot run.
bool is32BitProgram(const QString &path);

// Whether this system's Wine lacks the 32-bit half: Debian's wine64 without wine32.
bool lacks32BitWine();

// The Wine to run programs of prefix with: $TAVRIN_WINE when set; for a prefix of the
// vendor's macOS apps, the app's own wine64 when present; else "wine" on PATH. requested is
// what was looked for, to name it when it is missing; the result is empty then.
QString wineProgram(const QString &prefix, QString *requested);

// How Wine sees hostPath: on C: inside the prefix's drive_c, else on Z:, the host's root.
QString windowsPath(const QString &prefix, const QString &hostPath);

// The first character of text that cmd would take as syntax even inside quotes ('%': Wine's
// cmd expands variables again), or that a Windows file name cannot hold; empty when none.
QString unpassableCharacter(const QString &text);

// A program's command line as cmd runs it: "PROGRAM" ARGUMENTS, the arguments as they are.
QString commandLine(const QString &programWindowsPath, const QString &arguments);

// The variable through which cmd gets that command line: Wine would quote an argument with
// blanks as a whole, and a batch file would lose names outside its code page.
inline const QString CommandVariable = QStringLiteral("TAVRIN_COMPILE_COMMAND");

// The user's environment with the prefix, quiet Wine and the command line.
QProcessEnvironment environment(const QString &prefix, const QString &command);

} // namespace WineRun
