#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>

class QNetworkAccessManager;
class QNetworkReply;

// Asks a model server which models it has, as the service will (GET /v1/models, the API key
// as a bearer token), and says in words what it found or what went wrong.
class ModelServerProbe final : public QObject
{
    Q_OBJECT

public:
    explicit ModelServerProbe(QObject *parent = nullptr,
                              std::chrono::milliseconds bound = std::chrono::seconds(5));

    // baseUrl in any form --llm-base-url accepts. A question still open is dropped.
    void ask(const QString &baseUrl, const QByteArray &apiKey);

Q_SIGNALS:
    // ok: the server answered with its list of models (possibly empty).
    void answered(bool ok, const QStringList &models, const QString &text);

private:
    void onFinished(QNetworkReply *reply, const QString &server);

    QNetworkAccessManager *m_network;
    QNetworkReply *m_pending = nullptr;
    std::chrono::milliseconds m_bound;
    bool m_withKey = false;
};
