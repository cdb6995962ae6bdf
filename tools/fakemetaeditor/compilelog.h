#pragma once

#include "finding.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The compiler's log: a line naming the source, a line per finding, then the totals.
class CompileLog final
{
public:
    // sourceName is the file name shown in every line; empty when no source was given.
    explicit CompileLog(const QString &sourceName);

    void add(const FindingList &findings);
    int errorCount() const;

    // UTF-16LE with a byte-order mark and CR LF line ends, as the client expects of the
    // terminal's compiler. Replaces the file as a whole.
    bool write(const QString &path, QString *errorText) const;

private:
    int count(Finding::Severity severity) const;
    QStringList lines() const;
    QString line(const Finding &finding) const;

    QString m_sourceName;
    FindingList m_findings;
};
