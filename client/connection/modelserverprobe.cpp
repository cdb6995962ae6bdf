#include "client/connection/modelserverprobe.h"

#include "protocol/modeladdress.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

ModelServerProbe::ModelServerProbe(QObject *parent, std::chrono::milliseconds bound)
    : QObject(parent)
    , m_network(new QNetworkAccessManager(this))
    , m_bound(bound)
{ }

void ModelServerProbe::ask(const QString &baseUrl, const QByteArray &apiKey)
{
    if (m_pending) {
        m_pending->disconnect(this);
        m_pending->abort();
    }
    const QUrl root = ModelAddress::rootOf(baseUrl);
    if (root.isEmpty()) {
        Q_EMIT answered(false, {},
                        tr("“%1” is not the address of a model server; it looks like "
                           "http://127.0.0.1:11434.")
                            .arg(baseUrl));
        return;
    }
    QNetworkRequest request(ModelAddress::modelsUrl(root));
    if (!apiKey.isEmpty())
        request.setRawHeader("Authorization", "Bearer " + apiKey);
    request.setTransferTimeout(int(m_bound.count()));
    m_withKey = !apiKey.isEmpty();
    m_pending = m_network->get(request);
    const QString server = ModelAddress::shown(root);
    connect(m_pending, &QNetworkReply::finished, this,
            [this, reply = m_pending, server] { onFinished(reply, server); });
}

void ModelServerProbe::onFinished(QNetworkReply *reply, const QString &server)
{
    reply->deleteLater();
    m_pending = nullptr;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QJsonDocument body = QJsonDocument::fromJson(reply->readAll());
    if (status == 401 || status == 403) {
        Q_EMIT answered(false, {},
                        m_withKey ? tr("%1 refused the API key (HTTP %2).").arg(server).arg(status)
                                  : tr("%1 wants an API key (HTTP %2).").arg(server).arg(status));
        return;
    }
    if (reply->error() == QNetworkReply::OperationCanceledError
        || reply->error() == QNetworkReply::TimeoutError) {
        Q_EMIT answered(false, {},
                        tr("%1 did not answer within %2 ms.").arg(server).arg(m_bound.count()));
        return;
    }
    if (status == 0) {
        Q_EMIT answered(false, {}, tr("Nothing answers at %1 (%2).").arg(server, reply->errorString()));
        return;
    }
    const QJsonValue data = body.object().value(QLatin1String("data"));
    if (status != 200 || !data.isArray()) {
        Q_EMIT answered(false, {},
                        tr("%1 answers, but not as a model server (HTTP %2 for %3).")
                            .arg(server)
                            .arg(status)
                            .arg(reply->url().path()));
        return;
    }
    QStringList models;
    for (const QJsonValue &model : data.toArray())
        models.append(model.toObject().value(QLatin1String("id")).toString());
    models.removeAll(QString());
    Q_EMIT answered(true, models,
                    models.isEmpty()
                        ? tr("%1 answers but lists no model; type the model's name.").arg(server)
                        : tr("%1 answers and lists these models: %2.")
                              .arg(server, models.join(QLatin1String(", "))));
}
