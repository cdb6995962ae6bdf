#include "service/serviceconfig.h"
#include "support/testenvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

// Where the client finds the service: "api_base_url" in config.json beside the executable.
class TestServiceConfig final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void fileGivesBase_data();
    void fileGivesBase();
    void missingFileGivesDefault();
    void unreadableFileGivesDefault();
    void fileBesideExecutableIsReadOnEveryCall();

private:
    QString writeConfig(const QByteArray &content);

    QTemporaryDir m_folder;
};

void TestServiceConfig::init()
{
    TestEnvironment::resetSettings();
    QVERIFY(m_folder.isValid());
}

void TestServiceConfig::cleanup()
{
    TestEnvironment::removeServiceConfig();
}

QString TestServiceConfig::writeConfig(const QByteArray &content)
{
    const QString path = m_folder.filePath(QStringLiteral("config.json"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    file.write(content);
    return path;
}

void TestServiceConfig::fileGivesBase_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("base");

    const QString fallback = QStringLiteral("http://127.0.0.1:8080");
    QTest::newRow("plain address") << QByteArray(R"({"api_base_url": "http://10.0.0.5:9000"})")
                                   << QStringLiteral("http://10.0.0.5:9000");
    QTest::newRow("other keys beside it")
        << QByteArray(R"({"theme": 1, "api_base_url": "https://svc.example", "x": [1]})")
        << QStringLiteral("https://svc.example");

    QTest::newRow("not JSON") << QByteArray("api_base_url = http://10.0.0.5") << fallback;
    QTest::newRow("truncated JSON") << QByteArray(R"({"api_base_url": "http://10.0.0.5")") << fallback;
    QTest::newRow("empty file") << QByteArray() << fallback;
    QTest::newRow("JSON array") << QByteArray(R"([{"api_base_url": "http://10.0.0.5"}])") << fallback;
    QTest::newRow("bare text") << QByteArray("http://10.0.0.5:9000") << fallback;
    QTest::newRow("bare JSON string") << QByteArray(R"("http://10.0.0.5:9000")") << fallback;
    QTest::newRow("object without the key") << QByteArray(R"({"api_url": "http://10.0.0.5"})") << fallback;
    QTest::newRow("key in another case") << QByteArray(R"({"API_BASE_URL": "http://10.0.0.5"})") << fallback;
    QTest::newRow("empty object") << QByteArray("{}") << fallback;

    // Present but unusable: the key was meant, so the default would hide the mistake.
    QTest::newRow("number") << QByteArray(R"({"api_base_url": 8080})") << QString();
    QTest::newRow("null") << QByteArray(R"({"api_base_url": null})") << QString();
    QTest::newRow("true") << QByteArray(R"({"api_base_url": true})") << QString();
    QTest::newRow("object") << QByteArray(R"({"api_base_url": {"host": "h"}})") << QString();
    QTest::newRow("array") << QByteArray(R"({"api_base_url": ["http://h"]})") << QString();

    QTest::newRow("one trailing slash") << QByteArray(R"({"api_base_url": "http://h:1/"})")
                                        << QStringLiteral("http://h:1");
    QTest::newRow("several trailing slashes") << QByteArray(R"({"api_base_url": "http://h:1////"})")
                                              << QStringLiteral("http://h:1");
    QTest::newRow("path kept") << QByteArray(R"({"api_base_url": "http://h:1/gateway/v2/"})")
                               << QStringLiteral("http://h:1/gateway/v2");
    QTest::newRow("only slashes") << QByteArray(R"({"api_base_url": "///"})") << QString();
    QTest::newRow("empty string") << QByteArray(R"({"api_base_url": ""})") << QString();
    QTest::newRow("white space kept") << QByteArray(R"({"api_base_url": " http://h:1 "})")
                                      << QStringLiteral(" http://h:1 ");
    QTest::newRow("space after the slash stops the chopping")
        << QByteArray(R"({"api_base_url": "http://h:1/ "})") << QStringLiteral("http://h:1/ ");
    QTest::newRow("escaped slashes") << QByteArray(R"({"api_base_url": "http:\/\/h:1\/"})")
                                     << QStringLiteral("http://h:1");
}

void TestServiceConfig::fileGivesBase()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, base);

    const QString path = writeConfig(content);
    QVERIFY(!path.isEmpty());
    QCOMPARE(apiBaseUrlFromConfig(path), base);
}

void TestServiceConfig::missingFileGivesDefault()
{
    QCOMPARE(apiBaseUrlFromConfig(m_folder.filePath(QStringLiteral("absent.json"))),
             QStringLiteral("http://127.0.0.1:8080"));
    QCOMPARE(defaultApiBaseUrl(), QStringLiteral("http://127.0.0.1:8080"));
}

void TestServiceConfig::unreadableFileGivesDefault()
{
    // A folder where the file should be cannot be read as one, even by root.
    const QString path = m_folder.filePath(QStringLiteral("folder.json"));
    QVERIFY(QDir().mkpath(path));
    QCOMPARE(apiBaseUrlFromConfig(path), QStringLiteral("http://127.0.0.1:8080"));
}

void TestServiceConfig::fileBesideExecutableIsReadOnEveryCall()
{
    TestEnvironment::removeServiceConfig();
    QCOMPARE(configFilePath(), QCoreApplication::applicationDirPath() + QStringLiteral("/config.json"));
    QCOMPARE(resolveApiBaseUrl(), QStringLiteral("http://127.0.0.1:8080"));

    TestEnvironment::writeServiceBaseUrl(QStringLiteral("http://127.0.0.1:1234/"));
    QCOMPARE(resolveApiBaseUrl(), QStringLiteral("http://127.0.0.1:1234"));

    TestEnvironment::writeServiceBaseUrl(QStringLiteral("http://127.0.0.1:4321"));
    QCOMPARE(resolveApiBaseUrl(), QStringLiteral("http://127.0.0.1:4321"));

    TestEnvironment::removeServiceConfig();
    QCOMPARE(resolveApiBaseUrl(), QStringLiteral("http://127.0.0.1:8080"));
}

BREVAN_CORE_TEST_MAIN(TestServiceConfig)

#include "tst_serviceconfig.moc"
