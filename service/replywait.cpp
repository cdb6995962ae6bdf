#include "service/replywait.h"

#include <QEventLoop>
#include <QNetworkReply>
#include <QTimer>

bool waitForReply(QNetworkReply *reply, std::chrono::milliseconds bound)
{
    if (reply->isFinished())
        return true;

    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer deadline;
    if (bound > std::chrono::milliseconds::zero()) {
        deadline.setSingleShot(true);
        QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
        deadline.start(bound);
    }
    loop.exec();

    if (reply->isFinished())
        return true;
    reply->abort();
    return false;
}
