// origin.txt of a terminal's data folder, in whatever encoding and shape it was left: the
// scanner decodes it, takes its first line as a Windows path and checks that folder.
// "@ROOT@" in the input (UTF-8 or UTF-16 either way round) stands for a folder holding two
// real installations, installs/MT4 (terminal.exe) and installs/MT5 (terminal64.exe, Tester),
// so that the seeds get past the folder checks.

#include "platform/terminalscanner.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

// Stops the run as a crash, so that libFuzzer keeps the input.
[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
    std::abort();
}

struct Layout final
{
    QTemporaryDir folder;
    QString root = folder.path() + QStringLiteral("/Terminal");
    QString dataFolder = root + QStringLiteral("/D0E8A6B4C2F1357986420ACE13579BDF");
    QList<QPair<QByteArray, QByteArray>> substitutions;

    Layout()
    {
        const QString base = folder.path();
        if (!folder.isValid() || !QDir().mkpath(dataFolder) || !QDir().mkpath(base + "/installs/MT4")
            || !QDir().mkpath(base + "/installs/MT5/Tester") || !QFile(base + "/installs/MT4/terminal.exe").open(QIODevice::WriteOnly)
            || !QFile(base + "/installs/MT5/terminal64.exe").open(QIODevice::WriteOnly))
            fail("cannot lay out the terminal root");
        for (const auto encoding : {QStringEncoder::Utf8, QStringEncoder::Utf16LE, QStringEncoder::Utf16BE})
            substitutions.append({QStringEncoder(encoding).encode(QStringLiteral("@ROOT@")),
                                  QStringEncoder(encoding).encode(base)});
    }
};

void dropMessage(QtMsgType, const QMessageLogContext &, const QString &) {}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // File names with NUL characters make Qt warn on every run, which would only slow the runs.
    static int argc = 1;
    static char name[] = "fuzz_origin";
    static char *argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
    static const auto quiet = qInstallMessageHandler(dropMessage);
    static Layout laidOut;
    Q_UNUSED(quiet);

    QByteArray content(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const auto &[token, base] : laidOut.substitutions)
        content.replace(token, base);
    QFile origin(laidOut.dataFolder + QStringLiteral("/origin.txt"));
    if (!origin.open(QIODevice::WriteOnly | QIODevice::Truncate) || origin.write(content) != content.size())
        fail("cannot write origin.txt");
    origin.close();

    const TerminalScanner scanner(laidOut.root);
    const TerminalList found = scanner.scanTerminals();
    if (found.size() > 1)
        fail("more terminals than data folders");
    for (const TerminalInfo &terminal : found) {
        if (terminal.dataPath != laidOut.dataFolder || !QDir(terminal.installPath).exists())
            fail("a terminal that is not on the disk");
    }
    if (scanner.scanMT4().size() + scanner.scanMT5().size() != found.size())
        fail("MT4 and MT5 do not add up to all terminals");
    return 0;
}
