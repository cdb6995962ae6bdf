#include "platform/wineprefixes.h"

#include "platform/terminalscanner.h"
#include "protocol/domain.h"

#include <QDir>
#include <QFileInfo>

namespace WinePrefixes {

namespace {

const QString kDriveC = QStringLiteral("drive_c");

bool isPrefix(const QString &folder)
{
    return QFileInfo(folder + QLatin1Char('/') + kDriveC).isDir();
}

// Sub-folders by name ignoring case. Links are never entered: a Wine user's Desktop and
// Documents link back to the home folder, and walking them would run in circles.
QFileInfoList subFolders(const QString &folder, const QStringList &nameFilters = {})
{
    return QDir(folder).entryInfoList(nameFilters, QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks
                                                       | QDir::Hidden,
                                      QDir::Name | QDir::IgnoreCase);
}

// The entry of folder named name without regard to case, the exact spelling preferred.
QString entryIgnoringCase(const QString &folder, const QString &name)
{
    const QDir dir(folder);
    if (dir.exists(name))
        return dir.filePath(name);
    const QStringList entries = dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QString &entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return dir.filePath(entry);
    }
    return {};
}

bool holds(const QString &folder, const QString &name)
{
    return !entryIgnoringCase(folder, name).isEmpty();
}

// An installation: a terminal program; MT5 when it holds the 64-bit terminal (MT4 never ships
// one) or the strategy tester. Empty when it is no installation.
QString platformOf(const QString &install)
{
    const bool mt5 = holds(install, QStringLiteral("terminal64.exe"));
    if (!mt5 && !holds(install, QStringLiteral("terminal.exe")))
        return {};
    const bool tester = holds(install, QStringLiteral("metatester")) || holds(install, QStringLiteral("Tester"));
    return Protocol::wireName(mt5 || tester ? Protocol::Platform::Mt5 : Protocol::Platform::Mt4);
}

QStringList children(const QString &folder)
{
    QStringList paths;
    for (const QFileInfo &child : subFolders(folder))
        paths.append(child.filePath());
    return paths;
}

// The drive's host folder: dosdevices/c: is a link to ../drive_c, z: to /.
QString driveFolder(const QString &prefix, QChar letter)
{
    const QFileInfo device(prefix + QStringLiteral("/dosdevices/") + letter.toLower() + QLatin1Char(':'));
    const QString target = device.isSymLink() ? device.symLinkTarget() : device.filePath();
    return QFileInfo(target).isDir() ? QDir::cleanPath(target) : QString();
}

// Data folders below each Wine user's terminal root; a user's folder names the login, and
// "Public" is always there too.
QStringList dataFolders(const QString &prefix)
{
    static const QStringList layouts{QStringLiteral("AppData/Roaming/MetaQuotes/Terminal"),
                                     QStringLiteral("Application Data/MetaQuotes/Terminal")};
    QStringList folders;
    for (const QString &user : children(prefix + QStringLiteral("/drive_c/users"))) {
        for (const QString &layout : layouts) {
            QString root = user;
            for (const QString &component : layout.split(QLatin1Char('/'))) {
                root = entryIgnoringCase(root, component);
                if (root.isEmpty() || QFileInfo(root).isSymLink())
                    break;
            }
            if (!root.isEmpty() && !QFileInfo(root).isSymLink())
                folders += children(root);
        }
    }
    return folders;
}

void appendTerminal(TerminalList *found, const QString &install, const QString &data)
{
    const QString platform = install.isEmpty() ? QString() : platformOf(install);
    if (!platform.isEmpty())
        found->append({install, data, platform});
}

} // namespace

QStringList find(const QString &homePath, const QString &winePrefixVariable, bool macOS)
{
    const QString home = homePath + QLatin1Char('/');
    const QString support = home + QStringLiteral("Library/Application Support/");
    QStringList candidates{home + QStringLiteral(".wine"), home + QStringLiteral(".mt5"),
                           home + QStringLiteral(".mt4")};
    if (!winePrefixVariable.isEmpty())
        candidates.prepend(winePrefixVariable);
    for (const char *parent : {".local/share/wineprefixes", ".local/share/bottles/bottles",
                               ".var/app/com.usebottles.bottles/data/bottles/bottles", "Games",
                               ".PlayOnLinux/wineprefix"})
        candidates += children(home + QLatin1String(parent));
    if (macOS) {
        candidates += {support + QStringLiteral("net.metaquotes.wine.metatrader5"),
                       support + QStringLiteral("net.metaquotes.wine.metatrader4")};
        candidates += children(support + QStringLiteral("CrossOver/Bottles"));
    }

    QStringList prefixes;
    for (const QString &candidate : std::as_const(candidates)) {
        const QString prefix = QDir::cleanPath(candidate);
        if (!prefixes.contains(prefix) && isPrefix(prefix))
            prefixes.append(prefix);
    }
    return prefixes;
}

QString hostPath(const QString &prefix, const QString &windowsPath)
{
    const QStringList components =
        QString(windowsPath).replace(QLatin1Char('\\'), QLatin1Char('/')).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    const QString drive = components.value(0);
    if (drive.size() != 2 || drive.at(1) != QLatin1Char(':') || !drive.at(0).isLetter())
        return {};
    QString path = driveFolder(prefix, drive.at(0));
    for (const QString &component : components.mid(1)) {
        // ".." could climb out of the drive; a terminal's origin never needs it.
        if (path.isEmpty() || component == QLatin1String(".") || component == QLatin1String(".."))
            return {};
        path = entryIgnoringCase(path, component);
    }
    return path;
}

TerminalList terminalsIn(const QString &prefix)
{
    TerminalList found;
    for (const QString &data : dataFolders(prefix)) {
        const QString origin = TerminalScanner::originInstallPath(data);
        if (!origin.isEmpty())
            appendTerminal(&found, hostPath(prefix, origin), data);
    }
    // A portable install keeps its MQL folder beside the terminal program.
    for (const QFileInfo &programFiles : subFolders(prefix + QLatin1Char('/') + kDriveC, {QStringLiteral("Program Files*")})) {
        for (const QString &install : children(programFiles.filePath())) {
            if (holds(install, Protocol::mqlFolderName(Protocol::Platform::Mt4))
                || holds(install, Protocol::mqlFolderName(Protocol::Platform::Mt5)))
                appendTerminal(&found, install, install);
        }
    }
    return found;
}

QString prefixOf(const QString &path)
{
    for (QString folder = QDir::cleanPath(QFileInfo(path).absoluteFilePath()); !QDir(folder).isRoot();
         folder = QFileInfo(folder).path()) {
        if (isPrefix(folder))
            return folder;
    }
    return {};
}

} // namespace WinePrefixes
