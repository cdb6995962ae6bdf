#include "service/distinctversions.h"

#include <QHash>

QList<ProgramVersion> distinctVersions(const QList<ProgramVersion> &versions, int current)
{
    QList<ProgramVersion> distinct;
    QHash<QString, qsizetype> rowOfSource;
    for (const ProgramVersion &version : versions) {
        const auto known = rowOfSource.constFind(version.source);
        if (known == rowOfSource.cend()) {
            rowOfSource.insert(version.source, distinct.size());
            distinct.append(version);
            continue;
        }
        ProgramVersion &first = distinct[*known];
        if (first.number != current)
            first.number = version.number;
        if (version.verdict != ProgramVersion::Verdict::NotCompiled) {
            first.verdict = version.verdict;
            first.errors = version.errors;
        }
    }
    return distinct;
}
