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

QString ModelSettings::shownRoot() const
{
    return scrubbed(serverRoot.toString());
}

QString ModelSettings::scrubbed(const QString &text) const
{
    static const QRegularExpression userInfo(
        QStringLiteral(R"(\b([a-zA-Z][a-zA-Z0-9+.-]*://)[^/\s@]+@)"));
    QString result = text;
    result.replace(userInfo, QStringLiteral("\\1***@"));
    for (const QString &secret : {serverRoot.password(QUrl::FullyDecoded),
                                  serverRoot.password(QUrl::FullyEncoded)}) {
        if (!secret.isEmpty())
            result.replace(secret, QStringLiteral("***"));
    }
    return result;
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
