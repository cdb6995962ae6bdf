// How soon the client's window is up when the service takes the connection and never answers:
// the version check must not hold the window back.

#include "benchsupport.h"

#include "ui/brevanqt.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest/QTest>

#include <cstdio>
#include <vector>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("TavrinAI"));
    QCoreApplication::setApplicationName(QStringLiteral("TavrinAI bench"));

    // Takes every connection and keeps it, answering nothing.
    QTcpServer silent;
    if (!silent.listen(QHostAddress::LocalHost)) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1\n");
        return 1;
    }
    QObject::connect(&silent, &QTcpServer::newConnection, &silent, [&silent] {
        while (QTcpSocket *socket = silent.nextPendingConnection())
            socket->setParent(&silent);
    });
    const QString config = QCoreApplication::applicationDirPath() + QStringLiteral("/config.json");
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(config));
        return 1;
    }
    file.write(QStringLiteral("{\"api_base_url\": \"http://127.0.0.1:%1\"}\n").arg(silent.serverPort()).toUtf8());
    file.close();

    std::vector<double> timesMs;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer timer;
        timer.start();
        BrevanQt window;
        window.show();
        if (!QTest::qWaitForWindowExposed(&window, 5000)) {
            std::fprintf(stderr, "the window never came up\n");
            QFile::remove(config);
            return 1;
        }
        timesMs.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    QFile::remove(config);
    BenchSupport::printRow(QStringLiteral("startup"), QStringLiteral("window visible, silent service, median of 5"),
                           BenchSupport::median(timesMs), QStringLiteral("ms"));
    return 0;
}
