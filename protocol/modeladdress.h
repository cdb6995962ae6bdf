#pragma once

// The address of a model server as a trader types it and as everyone else must see it: the
// client's settings and the service read it the same way, and neither shows its password.

#include <QString>
#include <QUrl>

namespace ModelAddress {

// "http://h:p", "http://h:p/v1" and "http://h:p/v1/chat/completions" all name the same
// server; a missing or doubled /v1 is the mistake people make most with such addresses.
// Empty when the text names no host.
QUrl rootOf(const QString &baseUrl);

// The text with the user and password of any address in it, and the given server's password
// wherever it appears, replaced by "***".
QString scrubbed(const QString &text, const QUrl &server = {});
// The address as logs, answers and windows show it.
QString shown(const QUrl &server);

QUrl chatCompletionsUrl(const QUrl &root);
QUrl modelsUrl(const QUrl &root);

} // namespace ModelAddress
