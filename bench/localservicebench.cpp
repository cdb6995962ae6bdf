// What starting its own service adds to the client's start: from LocalService::start to a
// served POST /api/new, cold (nothing answers: the real tavrin-server is started and waited
// for) and with a service already running (found and used), both on loopback.

#include "benchsupport.h"

#include "client/connection/localservice.h"
#include "client/connection/serviceaccess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpServer>
#include <QTimer>

#include <cstdio>
#include <optional>

namespace {

QString freeLoopbackUrl()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return QStringLiteral("http://127.0.0.1:%1").arg(probe.serverPort());
}

// Milliseconds from start() to the answer of the first new chat; nothing when either failed.
std::optional<double> timeToUsableChat(LocalService &service, const QString &url, QString *report)
{
    QElapsedTimer timer;
    timer.start();
    bool ready = false;
    QObject::connect(&service, &LocalService::ready, &service, [&ready] { ready = true; });
    QObject::connect(&service, &LocalService::failed, &service, [report](const QString &why) { *report = why; });
    QEventLoop settled;
    QObject::connect(&service, &LocalService::ready, &settled, &QEventLoop::quit);
    QObject::connect(&service, &LocalService::failed, &settled, &QEventLoop::quit);
    service.start(url, {});
    settled.exec();
    if (!ready)
        return std::nullopt;
    QNetworkAccessManager manager;
    QNetworkReply *reply = postServiceRequest(manager, url + ServicePath::NewChat,
                                              newChatBody(QStringLiteral("ea"), QStringLiteral("MT5"),
                                                          QStringLiteral("en")),
                                              QStringLiteral("en"));
    if (!reply->isFinished()) {
        QEventLoop answered;
        QObject::connect(reply, &QNetworkReply::finished, &answered, &QEventLoop::quit);
        QTimer::singleShot(std::chrono::seconds(10), &answered, &QEventLoop::quit);
        answered.exec();
    }
    reply->deleteLater();
    if (!parseServiceReply(reply->readAll()).success)
        return std::nullopt;
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = 7;
    std::vector<double> cold, running;
    for (int run = 0; run < runs; ++run) {
        const QString url = freeLoopbackUrl();
        LocalService owner(nullptr, QStringLiteral(SERVER_PATH));
        QString report;
        const std::optional<double> started = timeToUsableChat(owner, url, &report);
        LocalService user(nullptr, QStringLiteral(SERVER_PATH));
        const std::optional<double> found = timeToUsableChat(user, url, &report);
        if (!started || !found) {
            std::fprintf(stderr, "no usable chat at %s: %s\n", qPrintable(url), qPrintable(report));
            return 1;
        }
        cold.push_back(*started);
        running.push_back(*found);
    }
    const QString area = QStringLiteral("startup");
    BenchSupport::printRow(area, QStringLiteral("own service started, to a usable chat, median of %1").arg(runs),
                           BenchSupport::median(cold), QStringLiteral("ms"));
    BenchSupport::printRow(area, QStringLiteral("service already running, to a usable chat"),
                           BenchSupport::median(running), QStringLiteral("ms"));
    BenchSupport::printRow(area, QStringLiteral("added by starting the service"),
                           BenchSupport::median(cold) - BenchSupport::median(running), QStringLiteral("ms"));
    return 0;
}
