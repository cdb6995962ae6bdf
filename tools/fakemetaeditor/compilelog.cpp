#include "compilelog.h"

#include <QSaveFile>
#include <QStringEncoder>

#include <algorithm>

CompileLog::CompileLog(const QString &sourceName)
    : m_sourceName(sourceName)
{
}

void CompileLog::add(const FindingList &findings)
{
    m_findings += findings;
}

int CompileLog::errorCount() const
{
    return count(Finding::Severity::Error);
}

bool CompileLog::write(const QString &path, QString *errorText) const
{
    QStringEncoder encoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    const QString text = lines().join(QLatin1String("\r\n")) + QLatin1String("\r\n");
    const QByteArray content = encoder.encode(text);
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.commit())
        return true;
    *errorText = file.errorString();
    return false;
}

int CompileLog::count(Finding::Severity severity) const
{
    return int(std::count_if(m_findings.cbegin(), m_findings.cend(), [severity](const Finding &f) {
        return f.severity == severity;
    }));
}

QStringList CompileLog::lines() const
{
    QStringList lines;
    if (!m_sourceName.isEmpty())
        lines.append(QStringLiteral("compiling '%1'").arg(m_sourceName));
    for (const Finding &finding : m_findings)
        lines.append(line(finding));
    lines.append(QStringLiteral("Result: %1 errors, %2 warnings")
                     .arg(errorCount())
                     .arg(count(Finding::Severity::Warning)));
    return lines;
}

// "NAME(line,column) : error n: message", without the place when there is none.
QString CompileLog::line(const Finding &finding) const
{
    const QString remark = QStringLiteral("%1 %2: %3")
                               .arg(finding.severity == Finding::Severity::Error
                                        ? QStringLiteral("error")
                                        : QStringLiteral("warning"))
                               .arg(int(finding.code))
                               .arg(finding.message);
    if (finding.line == 0)
        return remark;
    return QStringLiteral("%1(%2,%3) : %4")
        .arg(m_sourceName)
        .arg(finding.line)
        .arg(finding.column)
        .arg(remark);
}
