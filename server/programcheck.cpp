#include "programcheck.h"

#include <mqlcheck.h>

QStringList programErrors(const QString &program, const ProgramKind &kind)
{
    const QByteArray source = program.toUtf8();
    const std::vector<mqlcheck::Finding> findings = mqlcheck::checkProgram(
        std::string_view(source.constData(), size_t(source.size())),
        kind.platform == ProgramKind::Platform::Mql4 ? mqlcheck::Language::Mql4
                                                     : mqlcheck::Language::Mql5,
        kind.type == ProgramKind::Type::Indicator ? mqlcheck::Kind::Indicator
                                                  : mqlcheck::Kind::ExpertAdvisor);
    QStringList errors;
    for (const mqlcheck::Finding &finding : findings) {
        if (finding.severity != mqlcheck::Finding::Severity::Error)
            continue;
        const QString message = QString::fromStdString(finding.message);
        errors.append(
            finding.line > 0
                ? QStringLiteral("line %1: %2").arg(QString::number(finding.line), message)
                : message);
    }
    return errors;
}
