#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

// Where the model server is and how it is used; what the command line and the environment say.
struct ModelSettings final
{
    // The server's root, "http://host:port": requests go to its /v1/... paths.
    QUrl serverRoot;
    // Sent exactly as given; empty means the first one the server lists.
    QString model;
    // Empty means no Authorization header at all.
    QByteArray apiKey;
    // The longest silence of the model server within one answer.
    int timeoutMs = 240 * 1000;
    // The longest a chat may take in all, its queue and a repair round included.
    int deadlineMs = 900 * 1000;
    int concurrency = 4;

    // "http://h:p", "http://h:p/v1" and "http://h:p/v1/chat/completions" all name the same
    // server; a missing or doubled /v1 is the mistake people make most with such addresses.
    static QUrl rootOf(const QString &baseUrl);

    // The server's root as logs and answers show it: its user and password become "***".
    QString shownRoot() const;
    // The text with the user and password of any address in it, and the server's password and
    // the API key wherever they appear, replaced by "***".
    QString scrubbed(const QString &text) const;

    QUrl chatCompletionsUrl() const;
    QUrl modelsUrl() const;
};
