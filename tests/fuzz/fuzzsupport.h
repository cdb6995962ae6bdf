#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>

// What the harnesses share: the application object some Qt calls need, and quiet.
namespace FuzzSupport {

// Creates the process's QCoreApplication once and silences Qt's messages: inputs such as
// file names with NUL characters make Qt warn on every run, which would only slow the runs.
void initialize(int *argc, char ***argv);

inline QByteArray bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

// Stops the run as a crash, so that libFuzzer keeps the input.
[[noreturn]] void fail(const char *what);

} // namespace FuzzSupport
