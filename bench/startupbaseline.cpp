// What a Qt Widgets program pays to build the client's form and make the client's two
// start-up requests: the yardstick the client's own start-up is measured against. It carries
// the form and nothing else of the client on purpose.

#include <QApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMainWindow>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

#include "ui_brevanqt.h"

namespace {

QString baseUrl()
{
    QFile config(QCoreApplication::applicationDirPath() + QStringLiteral("/config.json"));
    if (!config.open(QIODevice::ReadOnly))
        return QStringLiteral("http://127.0.0.1:8080");
    return QJsonDocument::fromJson(config.readAll()).object().value(QLatin1String("api_base_url")).toString();
}

QNetworkRequest jsonRequest(const QString &url)
{
    QNetworkRequest request{QUrl(url)};
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    return request;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString base = baseUrl();

    QMainWindow window;
    Ui::BrevanQtClass form;
    form.setupUi(&window);
    window.show();

    // The check first, then the new chat, without blocking the window.
    QNetworkAccessManager manager;
    QNetworkReply *check = manager.post(jsonRequest(base + QStringLiteral("/api/version_check")),
                                        QByteArrayLiteral("{\"client_version\": \"1.0.0\"}"));
    QObject::connect(check, &QNetworkReply::finished, &manager, [&manager, check, base] {
        check->deleteLater();
        manager.post(jsonRequest(base + QStringLiteral("/api/new")),
                     QByteArrayLiteral("{\"code_type\": \"indicator\", \"platform\": \"MT4\", \"lang\": \"en\"}"));
    });
    return app.exec();
}
