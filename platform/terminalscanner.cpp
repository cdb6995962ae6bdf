#include "platform/terminalscanner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

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
}

TerminalScanner::TerminalScanner(const QString &terminalRoot)
    : m_terminalRoot(terminalRoot)
{
}

QString TerminalScanner::defaultTerminalRoot()
{
    return QDir::homePath() + QStringLiteral("/AppData/Roaming/MetaQuotes/Terminal");
}

TerminalList TerminalScanner::scanTerminals() const
{
    TerminalList found;
    const QDir root(m_terminalRoot);
    if (!root.exists())
        return found;

    const QFileInfoList dataFolders =
        root.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &dataFolder : dataFolders) {
        const QString origin = readOrigin(dataFolder.absoluteFilePath());
        if (origin.isEmpty())
            continue;

        // origin.txt always holds a Windows path, so its backslashes are separators on every
        // system, not only where they are the native ones.
        const QString installPath = QDir::fromNativeSeparators(
            origin.split(QLatin1Char('\n'), Qt::KeepEmptyParts).constFirst().trimmed())
                                        .replace(QLatin1Char('\\'), QLatin1Char('/'));
        const QDir install(installPath);
        if (!install.exists()
            || !holdsEntry(install, QStringLiteral("terminal.exe"), QStringLiteral("terminal64.exe")))
            continue;

        const bool isMT5 = holdsEntry(install, QStringLiteral("metatester"), QStringLiteral("Tester"));
        found.append({installPath, QDir::fromNativeSeparators(dataFolder.absoluteFilePath()),
                      isMT5 ? QStringLiteral("MT5") : QStringLiteral("MT4")});
    }
    return found;
}

TerminalList TerminalScanner::scanMT4() const
{
    return scanPlatform(QStringLiteral("MT4"));
}

TerminalList TerminalScanner::scanMT5() const
{
    return scanPlatform(QStringLiteral("MT5"));
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
