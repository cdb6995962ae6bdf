#include "platform/programfile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

namespace {

// At most this much of a program is taken into a chat.
constexpr qint64 kMaxBytes = 4 * 1024 * 1024;

bool defines(const QString &source, const QString &function)
{
    const QRegularExpression definition(QStringLiteral("\\b%1\\s*\\(").arg(function));
    return source.contains(definition);
}

} // namespace

Protocol::ProgramType ProgramFile::typeOf(const QString &source, const QString &path)
{
    if (defines(source, QStringLiteral("OnCalculate")))
        return Protocol::ProgramType::Indicator;
    if (defines(source, QStringLiteral("OnTick")))
        return Protocol::ProgramType::ExpertAdvisor;
    return path.contains(QLatin1String("/Indicators/"), Qt::CaseInsensitive) ? Protocol::ProgramType::Indicator
                                                                            : Protocol::ProgramType::ExpertAdvisor;
}

ProgramFile ProgramFile::read(const QString &path)
{
    ProgramFile program;
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != QLatin1String("mq4") && suffix != QLatin1String("mq5")) {
        program.error = QCoreApplication::translate("ProgramFile", "only .mq4 and .mq5 programs can be opened");
        return program;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        program.error = file.errorString();
        return program;
    }
    if (file.size() > kMaxBytes) {
        program.error = QCoreApplication::translate("ProgramFile", "the file is too large for a program");
        return program;
    }
    const QByteArray bytes = file.readAll();
    QStringDecoder decode(QStringConverter::encodingForData(bytes).value_or(QStringConverter::Utf8));
    program.source = decode(bytes);
    program.path = QFileInfo(path).absoluteFilePath();
    program.name = QFileInfo(path).completeBaseName();
    program.platform = suffix == QLatin1String("mq4") ? Protocol::Platform::Mt4 : Protocol::Platform::Mt5;
    program.type = typeOf(program.source, program.path);
    return program;
}
