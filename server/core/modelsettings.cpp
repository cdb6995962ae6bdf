#include "modelsettings.h"

#include "protocol/modeladdress.h"

QUrl ModelSettings::rootOf(const QString &baseUrl)
{
    return ModelAddress::rootOf(baseUrl);
}

QString ModelSettings::shownRoot() const
{
    return ModelAddress::shown(serverRoot);
}

QString ModelSettings::scrubbed(const QString &text) const
{
    QString result = ModelAddress::scrubbed(text, serverRoot);
    if (!apiKey.isEmpty())
        result.replace(QString::fromUtf8(apiKey), QStringLiteral("***"));
    return result;
}

QUrl ModelSettings::chatCompletionsUrl() const
{
    return ModelAddress::chatCompletionsUrl(serverRoot);
}

QUrl ModelSettings::modelsUrl() const
{
    return ModelAddress::modelsUrl(serverRoot);
}
