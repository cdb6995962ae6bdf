// A stand-in for the terminal's compiler: checks one source file lightly, writes a log in
// the compiler's format and, when clean, a marker output file, so that the client's
// compile step can be run and tested on any machine.

#include "compilelog.h"
#include "compilerequest.h"
#include "sourcecheck.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cstdio>

namespace {

// NAME.ex4 or NAME.ex5 beside the source; empty for a file of no known language.
QString outputPath(const QString &sourcePath)
{
    const SourceCheck::Language language = SourceCheck::languageOf(sourcePath);
    if (language == SourceCheck::Language::Unsupported)
        return {};
    const QFileInfo source(sourcePath);
    return source.path() + QLatin1Char('/') + source.completeBaseName()
           + (language == SourceCheck::Language::Mql4 ? QLatin1String(".ex4")
                                                      : QLatin1String(".ex5"));
}

FindingList writeOutput(const QString &path, const QString &sourceName)
{
    const QByteArray content =
        QStringLiteral("stand-in compiled output of '%1'\n").arg(sourceName).toUtf8();
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.commit())
        return {};
    return {Finding::error(Finding::Code::CannotWriteOutput, 0, 0,
                           QStringLiteral("cannot write '%1': %2")
                               .arg(QFileInfo(path).fileName(), file.errorString()))};
}

FindingList removeOutput(const QString &path)
{
    QFile file(path);
    if (!file.exists() || file.remove())
        return {};
    return {Finding::warning(Finding::Code::CannotRemoveOldOutput, 0, 0,
                             QStringLiteral("cannot remove old '%1': %2")
                                 .arg(QFileInfo(path).fileName(), file.errorString()))};
}

// A failed build leaves no output behind, so an old one never passes for a fresh one.
FindingList updateOutput(const QString &sourcePath, bool clean)
{
    const QString path = outputPath(sourcePath);
    if (path.isEmpty())
        return {};
    return clean ? writeOutput(path, QFileInfo(sourcePath).fileName()) : removeOutput(path);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const CompileRequest request =
        CompileRequest::fromArguments(QCoreApplication::arguments().mid(1), QDir::current());

    CompileLog log(QFileInfo(request.sourcePath).fileName());
    if (request.sourcePath.isEmpty()) {
        log.add({Finding::error(Finding::Code::NoSourceGiven, 0, 0,
                                QStringLiteral("no source file given, use /compile:NAME"))});
    } else {
        log.add(SourceCheck::run(request.sourcePath));
        log.add(updateOutput(request.sourcePath, log.errorCount() == 0));
    }

    if (request.logPath.isEmpty()) {
        std::fputs("usage: metaeditor.exe /compile:NAME [/log:FILE]\n", stderr);
        return 1;
    }
    QString errorText;
    if (!log.write(request.logPath, &errorText)) {
        std::fprintf(stderr, "cannot write the log %s: %s\n", qPrintable(request.logPath),
                     qPrintable(errorText));
        return 1;
    }
    return log.errorCount() == 0 ? 0 : 1;
}
