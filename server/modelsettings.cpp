#include "modelsettings.h"

#include <QRegularExpression>

QUrl ModelSettings::rootOf(const QString &baseUrl)
{
    QUrl url = QUrl::fromUserInput(baseUrl.trimmed());
    if (!url.isValid() || url.host().isEmpty())
        return {};
    static const QRegularExpression apiTail(
        QStringLiteral("(/v1)*(/chat/completions|/models|/completions)?/*$"));
    url.setPath(url.path().remove(apiTail));
    url.setQuery(QString());
    url.setFragment(QString());
    return url;
}

QUrl ModelSettings::chatCompletionsUrl() const
{
    QUrl url = serverRoot;
    url.setPath(url.path() + QStringLiteral("/v1/chat/completions"));
    return url;
}

QUrl ModelSettings::modelsUrl() const
{
    QUrl url = serverRoot;
    url.setPath(url.path() + QStringLiteral("/v1/models"));
    return url;
}
