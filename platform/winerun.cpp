#include "platform/winerun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtEndian>

namespace WineRun {

namespace {

// The bundled Wine of the vendor's macOS app whose prefix this is.
QString appWine(const QString &prefix)
{
    const QString name = QFileInfo(prefix).fileName();
    const QString app = name == QLatin1String("net.metaquotes.wine.metatrader5") ? QStringLiteral("MetaTrader 5")
                        : name == QLatin1String("net.metaquotes.wine.metatrader4") ? QStringLiteral("MetaTrader 4")
                                                                                    : QString();
    if (app.isEmpty())
        return {};
    const QString wine = QStringLiteral("/Applications/%1.app/Contents/SharedSupport/wine/bin/wine64").arg(app);
    return QFileInfo(wine).isExecutable() ? wine : QString();
}

} // namespace

bool isWindowsProgram(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(2) == "MZ";
}

// The PE header's offset sits at 0x3C; the machine field follows its "PE\0\0" signature.
bool is32BitProgram(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray dos = file.read(0x40);
    if (dos.size() < 0x40 || !dos.startsWith("MZ") || !file.seek(qFromLittleEndian<quint32>(dos.constData() + 0x3C)))
        return false;
    const QByteArray pe = file.read(6);
    constexpr quint16 i386 = 0x14C;
    return pe.size() == 6 && pe.startsWith(QByteArray("PE\0\0", 4))
           && qFromLittleEndian<quint16>(pe.constData() + 4) == i386;
}

bool lacks32BitWine()
{
    return QFileInfo::exists(QStringLiteral("/usr/lib/wine/wine64"))
           && !QFileInfo(QStringLiteral("/usr/lib/wine/wine")).isExecutable();
}

QString wineProgram(const QString &prefix, QString *requested)
{
    *requested = qEnvironmentVariable("TAVRIN_WINE");
    if (!requested->isEmpty()) {
        const QFileInfo chosen(*requested);
        if (chosen.isAbsolute())
            return chosen.isExecutable() && chosen.isFile() ? chosen.filePath() : QString();
        return QStandardPaths::findExecutable(*requested);
    }
    const QString bundled = appWine(prefix);
    if (!bundled.isEmpty())
        return bundled;
    *requested = QStringLiteral("wine");
    return QStandardPaths::findExecutable(*requested);
}

QString windowsPath(const QString &prefix, const QString &hostPath)
{
    const QString path = QDir::cleanPath(QFileInfo(hostPath).absoluteFilePath());
    const QString driveC = QDir::cleanPath(prefix + QStringLiteral("/drive_c"));
    const QString windows = !prefix.isEmpty() && path.startsWith(driveC + QLatin1Char('/'))
                                ? QStringLiteral("C:") + path.mid(driveC.size())
                                : QStringLiteral("Z:") + path;
    return QDir::toNativeSeparators(windows).replace(QLatin1Char('/'), QLatin1Char('\\'));
}

QString unpassableCharacter(const QString &text)
{
    for (const QChar c : text) {
        if (QStringLiteral("%|<>\"").contains(c))
            return c;
    }
    return {};
}

QString commandLine(const QString &programWindowsPath, const QString &arguments)
{
    return QStringLiteral("\"%1\" %2").arg(programWindowsPath, arguments);
}

QProcessEnvironment environment(const QString &prefix, const QString &command)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!prefix.isEmpty())
        environment.insert(QStringLiteral("WINEPREFIX"), prefix);
    environment.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
    environment.insert(CommandVariable, command);
    return environment;
}

} // namespace WineRun
