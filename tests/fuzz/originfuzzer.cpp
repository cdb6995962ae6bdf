// origin.txt of a terminal's data folder, in whatever encoding and shape it was left.
//
// "@ROOT@" in the input (as UTF-8, or UTF-16 in either byte order) stands for the temporary
// folder holding two real installations, "@ROOT@/installs/MT4" (terminal.exe) and
// "@ROOT@/installs/MT5" (terminal64.exe and Tester), so that the seeds reach the code past
// the folder checks; the rest of the input is written as it is.

#include "fuzzsupport.h"

#include "platform/terminalscanner.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

namespace {

const QString kToken = QStringLiteral("@ROOT@");

struct Layout final
{
    QTemporaryDir folder;
    QString root;
    QString dataFolder;
    QList<QPair<QByteArray, QByteArray>> substitutions;
};

bool touch(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("MZ") == 2;
}

void prepare(Layout *layout)
{
    const QString base = layout->folder.path();
    layout->root = base + QStringLiteral("/Terminal");
    layout->dataFolder = layout->root + QStringLiteral("/D0E8A6B4C2F1357986420ACE13579BDF");
    const bool ok = layout->folder.isValid() && QDir().mkpath(layout->dataFolder)
        && QDir().mkpath(base + QStringLiteral("/installs/MT4"))
        && QDir().mkpath(base + QStringLiteral("/installs/MT5/Tester"))
        && touch(base + QStringLiteral("/installs/MT4/terminal.exe"))
        && touch(base + QStringLiteral("/installs/MT5/terminal64.exe"));
    if (!ok)
        FuzzSupport::fail("cannot lay out the terminal root");
    for (const auto encoding : {QStringEncoder::Utf8, QStringEncoder::Utf16LE, QStringEncoder::Utf16BE}) {
        QStringEncoder tokenEncoder(encoding);
        QStringEncoder baseEncoder(encoding);
        layout->substitutions.append({tokenEncoder.encode(kToken), baseEncoder.encode(base)});
    }
}

// Laid out once; removed again when the process ends normally.
Layout *layout()
{
    static Layout instance;
    static const bool prepared = (prepare(&instance), true);
    Q_UNUSED(prepared);
    return &instance;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    FuzzSupport::initialize(argc, argv);
    layout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Layout *const laidOut = layout();
    QByteArray content = FuzzSupport::bytes(data, size);
    for (const auto &[token, base] : laidOut->substitutions)
        content.replace(token, base);
    {
        QFile origin(laidOut->dataFolder + QStringLiteral("/origin.txt"));
        if (!origin.open(QIODevice::WriteOnly | QIODevice::Truncate) || origin.write(content) != content.size())
            FuzzSupport::fail("cannot write origin.txt");
    }

    const TerminalScanner scanner(laidOut->root);
    const TerminalList found = scanner.scanTerminals();
    if (found.size() > 1)
        FuzzSupport::fail("more terminals than data folders");
    for (const TerminalInfo &terminal : found) {
        if (terminal.dataPath != laidOut->dataFolder)
            FuzzSupport::fail("a data folder that was not scanned");
        if (terminal.platform != QLatin1String("MT4") && terminal.platform != QLatin1String("MT5"))
            FuzzSupport::fail("neither MT4 nor MT5");
        if (!QDir(terminal.installPath).exists())
            FuzzSupport::fail("an installation folder that does not exist");
    }
    if (scanner.scanMT4().size() + scanner.scanMT5().size() != found.size())
        FuzzSupport::fail("MT4 and MT5 do not add up to all terminals");
    return 0;
}
