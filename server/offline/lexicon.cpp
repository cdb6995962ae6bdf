#include "lexicon.h"

#include <algorithm>

namespace offline {

QRegularExpression readerPattern(QString text)
{
    text.replace(QLatin1String("\\b"), QLatin1String("(?:(?<![a-z0-9])(?=[a-z0-9])|(?<=[a-z0-9])(?![a-z0-9]))"));
    return QRegularExpression(text);
}

QRegularExpression anyOf(QStringList words)
{
    words.removeDuplicates();
    std::stable_sort(words.begin(), words.end(), [](const QString &a, const QString &b) { return a.size() > b.size(); });
    return readerPattern(words.join(u'|'));
}

} // namespace offline
