#include "protocol/modeladdress.h"

#include <QRegularExpression>

namespace ModelAddress {
namespace {

QUrl withPath(const QUrl &root, const QString &path)
{
    QUrl url = root;
    url.setPath(url.path() + path);
    return url;
}

} // namespace

QUrl rootOf(const QString &baseUrl)
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

QString scrubbed(const QString &text, const QUrl &server)
{
    static const QRegularExpression userInfo(
        QStringLiteral(R"(\b([a-zA-Z][a-zA-Z0-9+.-]*://)[^/\s@]+@)"));
    QString result = text;
    result.replace(userInfo, QStringLiteral("\\1***@"));
    for (const QString &secret : {server.password(QUrl::FullyDecoded),
                                  server.password(QUrl::FullyEncoded)}) {
        if (!secret.isEmpty())
            result.replace(secret, QStringLiteral("***"));
    }
    return result;
}

QString shown(const QUrl &server)
{
    return scrubbed(server.toString(), server);
}

QUrl chatCompletionsUrl(const QUrl &root)
{
    return withPath(root, QStringLiteral("/v1/chat/completions"));
}

QUrl modelsUrl(const QUrl &root)
{
    return withPath(root, QStringLiteral("/v1/models"));
}

} // namespace ModelAddress
