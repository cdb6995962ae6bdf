// What any Qt Widgets program pays to come up and make the client's two start-up requests:
// the yardstick the client's own start-up is measured against. It carries none of the
// client's code on purpose.
//
// With --label the window holds one line of text. An empty window never needs a font, so
// without it the font database is never loaded before the requests, which any real form pays.

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMainWindow>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

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
    window.setWindowTitle(QStringLiteral("Start-up baseline"));
    window.resize(900, 700);
    if (QCoreApplication::arguments().contains(QStringLiteral("--label")))
        window.setCentralWidget(new QLabel(QStringLiteral("Start-up baseline"), &window));
    window.show();

    // Like the client: the check on a manager of its own, waited for in a nested loop.
    {
        QNetworkAccessManager checkManager;
        QNetworkReply *check = checkManager.post(jsonRequest(base + QStringLiteral("/api/version_check")),
                                                 QByteArrayLiteral("{\"client_version\": \"1.0.0\"}"));
        QEventLoop loop;
        QObject::connect(check, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        if (!check->isFinished())
            loop.exec();
        delete check;
    }

    QNetworkAccessManager manager;
    manager.post(jsonRequest(base + QStringLiteral("/api/new")),
                 QByteArrayLiteral("{\"code_type\": \"indicator\", \"platform\": \"MT4\", \"lang\": \"en\"}"));
    return app.exec();
}
