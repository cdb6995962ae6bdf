#include "compilerequest.h"

#include <QFileInfo>

namespace {

// A Windows client quotes only the value, and its C runtime strips those quotes; a value
// that still has them is taken without them too.
QString unquoted(const QString &value)
{
    const QLatin1Char quote('"');
    if (value.size() >= 2 && value.startsWith(quote) && value.endsWith(quote))
        return value.mid(1, value.size() - 2);
    return value;
}

bool takeOption(const QString &argument, QLatin1String prefix, QString *value)
{
    if (!argument.startsWith(prefix))
        return false;
    *value = unquoted(argument.mid(prefix.size()));
    return true;
}

QString absolutePath(const QDir &workingFolder, const QString &path)
{
    return QDir::cleanPath(workingFolder.absoluteFilePath(path));
}

} // namespace

CompileRequest CompileRequest::fromArguments(const QStringList &arguments,
                                             const QDir &workingFolder)
{
    QString source;
    QString log;
    for (const QString &argument : arguments) {
        if (!takeOption(argument, QLatin1String("/compile:"), &source))
            takeOption(argument, QLatin1String("/log:"), &log);
    }

    CompileRequest request;
    if (!source.isEmpty())
        request.sourcePath = absolutePath(workingFolder, source);
    if (!log.isEmpty()) {
        request.logPath = absolutePath(workingFolder, log);
    } else if (!source.isEmpty()) {
        const QFileInfo info(request.sourcePath);
        request.logPath = info.path() + QLatin1Char('/') + info.completeBaseName()
                          + QLatin1String(".log");
    }
    return request;
}
