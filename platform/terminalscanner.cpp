#include "platform/terminalscanner.h"

#include "platform/wineprefixes.h"
#include "protocol/domain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <algorithm>

namespace {

// The whole of origin.txt, trimmed; empty when it is missing or unreadable.
QString readOrigin(const QString &dataFolder)
{
    QFile file(dataFolder + QStringLiteral("/origin.txt"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QTextStream stream(&file);
    stream.setAutoDetectUnicode(true);
    return stream.readAll().trimmed();
}

bool holdsEntry(const QDir &folder, const QString &first, const QString &second)
{
    return folder.exists(first) || folder.exists(second);
}

} // namespace

TerminalScanner::TerminalScanner()
    : m_terminalRoot(defaultTerminalRoot())
{
#ifndef Q_OS_WIN
#ifdef Q_OS_MACOS
    const bool macOS = true;
#else
    const bool macOS = false;
#endif
    m_winePrefixes = WinePrefixes::find(QDir::homePath(), qEnvironmentVariable("WINEPREFIX"), macOS);
#endif
}

TerminalScanner::TerminalScanner(const QString &terminalRoot)
    : m_terminalRoot(terminalRoot)
{
}

QString TerminalScanner::defaultTerminalRoot()
{
    return QDir::homePath() + QStringLiteral("/AppData/Roaming/MetaQuotes/Terminal");
}

QString TerminalScanner::originInstallPath(const QString &dataFolder)
{
    // origin.txt always holds a Windows path, so its backslashes are separators on every
    // system, not only where they are the native ones.
    return QDir::fromNativeSeparators(
               readOrigin(dataFolder).split(QLatin1Char('\n'), Qt::KeepEmptyParts).constFirst().trimmed())
        .replace(QLatin1Char('\\'), QLatin1Char('/'));
}

TerminalList TerminalScanner::scanTerminals() const
{
    TerminalList found = scanRoot();
    for (const QString &prefix : m_winePrefixes) {
        for (const TerminalInfo &terminal : WinePrefixes::terminalsIn(prefix)) {
            const bool known = std::any_of(found.cbegin(), found.cend(), [&](const TerminalInfo &other) {
                return other.installPath == terminal.installPath && other.dataPath == terminal.dataPath;
            });
            if (!known)
                found.append(terminal);
        }
    }
    return found;
}

TerminalList TerminalScanner::scanRoot() const
{
    TerminalList found;
    const QDir root(m_terminalRoot);
    if (!root.exists())
        return found;

    const QFileInfoList dataFolders =
        root.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &dataFolder : dataFolders) {
        const QString installPath = originInstallPath(dataFolder.absoluteFilePath());
        if (installPath.isEmpty())
            continue;
        const QDir install(installPath);
        if (!install.exists()
            || !holdsEntry(install, QStringLiteral("terminal.exe"), QStringLiteral("terminal64.exe")))
            continue;

        const bool isMT5 = holdsEntry(install, QStringLiteral("metatester"), QStringLiteral("Tester"));
        found.append({installPath, QDir::fromNativeSeparators(dataFolder.absoluteFilePath()),
                      Protocol::wireName(isMT5 ? Protocol::Platform::Mt5 : Protocol::Platform::Mt4)});
    }
    return found;
}

TerminalList TerminalScanner::scanMT4() const
{
    return scanPlatform(Protocol::wireName(Protocol::Platform::Mt4));
}

TerminalList TerminalScanner::scanMT5() const
{
    return scanPlatform(Protocol::wireName(Protocol::Platform::Mt5));
}

TerminalList TerminalScanner::scanPlatform(const QString &platform) const
{
    TerminalList matching;
    for (const TerminalInfo &terminal : scanTerminals()) {
        if (terminal.platform == platform)
            matching.append(terminal);
    }
    return matching;
}
