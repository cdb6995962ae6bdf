#include "client/connection/localservice.h"
#include "client/connection/serviceaccess.h"
#include "support/fakeservice.h"
#include "support/testenvironment.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QNetworkAccessManager>
#include <QNetworkReply>

// The client's own service, started as a real tavrin-server process on loopback ports.
class TestLocalService final : public QObject
{
    Q_OBJECT

private:
    // Whether a TavrinAI service answers at url.
    static bool serviceAnswers(const QString &url)
    {
        QNetworkAccessManager manager;
        QNetworkReply *reply = postServiceRequest(manager, url + ServicePath::VersionCheck,
                                                  versionCheckBody(), QStringLiteral("en"));
        const bool finished = QTest::qWaitFor([reply] { return reply->isFinished(); }, 5000);
        reply->deleteLater();
        return finished && reply->error() == QNetworkReply::NoError
            && QJsonDocument::fromJson(reply->readAll()).object().contains(QLatin1String("need_update"));
    }

    // The outcome of one start: whether it was ready, and what it said.
    static std::pair<bool, QString> settle(LocalService &service, const QString &url,
                                           const ServiceBackend &backend = {}, bool ownNeeded = false)
    {
        QSignalSpy ready(&service, &LocalService::ready);
        QSignalSpy failed(&service, &LocalService::failed);
        service.start(url, backend, ownNeeded);
        if (!QTest::qWaitFor([&] { return !ready.isEmpty() || !failed.isEmpty(); }, 30000)
            || ready.size() + failed.size() != 1)
            return {false, QStringLiteral("not one report")};
        return ready.isEmpty() ? std::pair(false, failed[0][0].toString())
                               : std::pair(true, ready[0][0].toString());
    }

private Q_SLOTS:
    void startedWhenNothingAnswersAndStoppedOnlyByItsStarter()
    {
        const QString url = TestEnvironment::refusingServiceUrl();
        {
            LocalService first(nullptr, QStringLiteral(SERVER_PATH));
            const auto [ready, notice] = settle(first, url);
            QVERIFY2(ready, qPrintable(notice));
            QCOMPARE(notice, QStringLiteral("The built-in code generator was started at %1. It writes "
                                            "programs from its offline templates; Settings > Code "
                                            "generator… chooses a model instead.").arg(url));
            QVERIFY(serviceAnswers(url));
            {
                // A second client finds it and uses it, silently, and leaves it running.
                LocalService second(nullptr, QStringLiteral(SERVER_PATH));
                QCOMPARE(settle(second, url), std::pair(true, QString()));
            }
            QVERIFY(serviceAnswers(url));
        }
        QVERIFY(!serviceAnswers(url));
    }

    void neverStartedForAnAddressItCannotServe_data()
    {
        QTest::addColumn<QString>("url");
        QTest::newRow("remote") << QStringLiteral("http://192.0.2.1:8080");
        QTest::newRow("TLS on this machine") << TestEnvironment::refusingServiceUrl().replace("http:", "https:");
    }

    void neverStartedForAnAddressItCannotServe()
    {
        QFETCH(QString, url);
        LocalService service(nullptr, QStringLiteral(SERVER_PATH));
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(settle(service, url), std::pair(true, QString()));
        QVERIFY(clock.elapsed() < 1000);
    }

    void reportsWhatStopsTheStart_data()
    {
        QTest::addColumn<bool>("portTaken");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("reason");
        QTest::newRow("port taken by another program")
            << true << QStringLiteral(SERVER_PATH) << QStringLiteral("it is not a TavrinAI code generator");
        QTest::newRow("service not installed")
            << false << QStringLiteral("/nowhere/tavrin-server") << QStringLiteral("tavrin-server is missing");
    }

    void reportsWhatStopsTheStart()
    {
        QFETCH(bool, portTaken);
        QFETCH(QString, program);
        QFETCH(QString, reason);
        FakeService stranger;
        const QString url = portTaken ? stranger.baseUrl() : TestEnvironment::refusingServiceUrl();
        LocalService service(nullptr, program);
        const auto [ready, message] = settle(service, url);
        QVERIFY(!ready);
        QVERIFY2(message.contains(url) && message.contains(reason), qPrintable(message));
    }

    // Applying a model in the window restarts the service with it; the key and the address's
    // password travel in the service's environment, never on its command line.
    void restartedWithItsSecretsInItsEnvironmentOnly()
    {
        const QByteArray key = "sk-test-" + QByteArray::number(QCoreApplication::applicationPid());
        const QByteArray password = "pw-" + key;
        FakeService model;
        model.setDefaultReply("GET", QStringLiteral("/v1/models"),
                              FakeService::Reply::json({{"data", QJsonArray{QJsonObject{{"id", "m1"}}}}}));
        QString modelUrl = model.baseUrl();
        modelUrl.insert(7, "trader:" + password + "@");
        const QString url = TestEnvironment::refusingServiceUrl();
        LocalService service(nullptr, QStringLiteral(SERVER_PATH));
        QVERIFY(settle(service, url).first);
        const auto [ready, notice] = settle(service, url, {modelUrl, QString(), key});
        QVERIFY2(ready && notice.contains(QStringLiteral("the first model that http://***@%1 lists").arg(model.baseUrl().mid(7))),
                 qPrintable(notice));
        QTRY_COMPARE(model.requestsTo("GET", QStringLiteral("/v1/models")).size(), 1);
        QCOMPARE(model.requests().constFirst().header("Authorization"), "Bearer " + key);
        // Every command line on this machine, the service's among them where it is a native
        // program (Windows has no /proc; under Wine it shows the host's, the service under Wine).
        int services = 0;
        for (const QString &process : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
            QFile commandLine(QStringLiteral("/proc/%1/cmdline").arg(process));
            const QByteArray arguments = commandLine.open(QIODevice::ReadOnly) ? commandLine.readAll() : QByteArray();
            QVERIFY(!arguments.contains(key) && !arguments.contains(password));
            services += arguments.startsWith(SERVER_PATH) && arguments.contains(QByteArray::number(QUrl(url).port()));
        }
        QCOMPARE(services, !kOnWindows && QFile::exists(QStringLiteral("/proc/self")) ? 1 : 0);
        QVERIFY(serviceAnswers(url));
    }
};

BREVAN_CORE_TEST_MAIN(TestLocalService)
#include "tst_localservice.moc"
