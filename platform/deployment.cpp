#include "platform/deployment.h"

#include "protocol/domain.h"

#include <QCoreApplication>
#include <QDir>
#include <QSaveFile>

namespace Deployment {

QString defaultSourceName(const QDateTime &when)
{
    return QStringLiteral("Tavrin_%1").arg(when.toString(QStringLiteral("yyyyMMdd_HHmmss")));
}

QString mqlFolder(const QString &dataFolder, Protocol::Platform platform)
{
    return dataFolder + QLatin1Char('/') + Protocol::mqlFolderName(platform);
}

QString targetFolder(const QString &mqlFolder, Protocol::ProgramType type)
{
    QDir folder(mqlFolder);
    // When the sub-folder is missing, cd fails and the file goes into the MQL folder itself.
    const bool indicator = type == Protocol::ProgramType::Indicator;
    folder.cd(indicator ? QStringLiteral("Indicators") : QStringLiteral("Experts"));
    return folder.path();
}

QString sourceNameProblem(const QString &name)
{
    // A separator would let "../x" or "sub/x" land outside the target folder.
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return QCoreApplication::translate("Deployment", "the name \"%1\" must not contain \"/\" or \"\\\"").arg(name);
#ifdef Q_OS_WIN
    // "a:b" would be saved as a hidden stream of a file "a", not as a file of its own.
    if (name.contains(QLatin1Char(':')))
        return QCoreApplication::translate("Deployment", "the name \"%1\" must not contain \":\"").arg(name);
#endif
    return {};
}

QByteArray sourceFileContent(const QString &code)
{
    QString text = code;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
#ifdef Q_OS_WIN
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
#endif
    return text.toUtf8();
}

WriteResult writeSourceFile(const QString &path, const QString &code)
{
    return writeFileAtomically(path, sourceFileContent(code));
}

WriteResult writeFileAtomically(const QString &path, const QByteArray &content)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {false, file.errorString()};
    if (file.write(content) != content.size()) {
        const QString error = file.errorString();
        file.cancelWriting();
        return {false, error};
    }
    if (!file.commit())
        return {false, file.errorString()};
    return {true, {}};
}

} // namespace Deployment
