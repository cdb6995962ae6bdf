#include "sourcecheck.h"

#include <mqlcheck.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace {

QString decoded(const QByteArray &bytes)
{
    const auto marked = QStringConverter::encodingForData(bytes);
    QStringDecoder decoder(marked.value_or(QStringConverter::Utf8));
    return decoder.decode(bytes);
}

Finding converted(const mqlcheck::Finding &finding)
{
    return {finding.severity == mqlcheck::Finding::Severity::Error ? Finding::Severity::Error
                                                                   : Finding::Severity::Warning,
            Finding::Code(finding.code), finding.line, finding.column,
            QString::fromStdString(finding.message)};
}

} // namespace

SourceCheck::Language SourceCheck::languageOf(const QString &sourcePath)
{
    const QString suffix = QFileInfo(sourcePath).suffix();
    if (suffix.compare(QLatin1String("mq4"), Qt::CaseInsensitive) == 0)
        return Language::Mql4;
    if (suffix.compare(QLatin1String("mq5"), Qt::CaseInsensitive) == 0)
        return Language::Mql5;
    return Language::Unsupported;
}

FindingList SourceCheck::run(const QString &sourcePath)
{
    const QFileInfo info(sourcePath);
    const Language language = languageOf(sourcePath);
    if (language == Language::Unsupported) {
        return {Finding::error(Finding::Code::UnsupportedFileType, 1, 1,
                               QStringLiteral("unsupported file type '%1'").arg(info.fileName()))};
    }
    QFile file(sourcePath);
    if (!file.open(QIODevice::ReadOnly)) {
        return {Finding::error(Finding::Code::CannotOpenSource, 0, 0,
                               QStringLiteral("cannot open source file '%1': %2")
                                   .arg(info.fileName(), file.errorString()))};
    }
    const QByteArray text = decoded(file.readAll()).toUtf8();
    const bool inIndicatorsFolder = info.absoluteDir().dirName().compare(
                                        QLatin1String("Indicators"), Qt::CaseInsensitive)
                                    == 0;
    const auto kind = inIndicatorsFolder || mqlcheck::declaresIndicator(text.toStdString())
                          ? mqlcheck::Kind::Indicator
                          : mqlcheck::Kind::ExpertAdvisor;
    FindingList findings;
    for (const mqlcheck::Finding &finding : mqlcheck::checkProgram(
             text.toStdString(),
             language == Language::Mql4 ? mqlcheck::Language::Mql4 : mqlcheck::Language::Mql5, kind))
        findings.append(converted(finding));
    return findings;
}
