#include "platform/dialogfolders.h"

#include <QDir>
#include <QFileInfo>

namespace DialogFolders {

namespace {

bool isFolder(const QString &path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

QString fallbackStart(const QString &homePath)
{
    const QString terminalRoot = homePath + QStringLiteral("/AppData/Roaming/MetaQuotes/Terminal");
    return isFolder(terminalRoot) ? terminalRoot : homePath;
}

} // namespace

QString installFolderStart()
{
    return installFolderStart(QStringLiteral("C:\\Program Files (x86)"), QDir::homePath());
}

QString dataFolderStart()
{
    return dataFolderStart(QString::fromLocal8Bit(qgetenv("APPDATA")), QDir::homePath());
}

QString installFolderStart(const QString &programFiles, const QString &homePath)
{
    return isFolder(programFiles) ? programFiles : fallbackStart(homePath);
}

QString dataFolderStart(const QString &appData, const QString &homePath)
{
    // Without APPDATA the terminals' data would sit below drive C.
    const QString base = appData.isEmpty() ? QStringLiteral("C:\\") : appData;
    if (!isFolder(base))
        return fallbackStart(homePath);
    return base + QStringLiteral("\\MetaQuotes\\Terminal");
}

} // namespace DialogFolders
