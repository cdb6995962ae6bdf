#include "platform/terminalfolders.h"

#include <QSettings>

namespace TerminalFolders {

namespace {

QString key(const QString &platform, const char *field)
{
    return QStringLiteral("terminals/%1/%2").arg(platform, QLatin1String(field));
}

} // namespace

Pair load(const QString &platform)
{
    const QSettings settings;
    return {settings.value(key(platform, "install")).toString(), settings.value(key(platform, "data")).toString()};
}

void save(const QString &platform, const Pair &folders)
{
    QSettings settings;
    settings.setValue(key(platform, "install"), folders.install);
    settings.setValue(key(platform, "data"), folders.data);
}

} // namespace TerminalFolders
