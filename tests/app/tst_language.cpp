#include "platform/language.h"
#include "support/fakeservice.h"
#include "support/testenvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>

class TestLanguage final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        TestEnvironment::resetSettings();
        applyLanguage(Protocol::Language::English);
    }

    void storedIndex_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("translatedNewChat");

        QTest::newRow("first start") << QVariant() << 0 << "en" << "New Chat";
        QTest::newRow("simplified") << QVariant(1) << 1 << "zh-CN" << "新建对话";
        QTest::newRow("traditional") << QVariant(2) << 2 << "zh-TW" << "新建對話";
        // Set by hand: English, whatever the number.
        QTest::newRow("out of range") << QVariant(3) << 0 << "en" << "New Chat";
        QTest::newRow("not a number") << QVariant(QStringLiteral("chinese")) << 0 << "en" << "New Chat";
    }

    void storedIndex()
    {
        QFETCH(QVariant, stored);
        QFETCH(int, index);
        QFETCH(QString, code);
        QFETCH(QString, translatedNewChat);

        TestEnvironment::resetSettings();
        if (stored.isValid())
            QSettings().setValue(QStringLiteral("language"), stored);
        applyLanguage(storedLanguage());

        QCOMPARE(Protocol::wireName(storedLanguage()), code);
        QCOMPARE(QCoreApplication::translate("BrevanQtClass", "New Chat"), translatedNewChat);
        // The next start comes up the same way.
        QCOMPARE(QSettings().value(QStringLiteral("language")).toInt(), index);
    }

    void catalogueBesideTheExecutableIsTheFallback()
    {
        const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/translations");
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QFile::copy(QStringLiteral(":/translations/brevan_zh_CN.qm"), folder + QStringLiteral("/brevan_zh_CN.qm")));
        // The catalogues are bundled by the core library; taken out, only the copy is left.
        Q_CLEANUP_RESOURCE(tavrin_client_translations);
        QVERIFY(!QFile::exists(QStringLiteral(":/translations/brevan_zh_CN.qm")));
        applyLanguage(Protocol::Language::SimplifiedChinese);
        const QString translated = QCoreApplication::translate("BrevanQtClass", "Send");
        applyLanguage(Protocol::Language::TraditionalChinese);
        const QString traditionalMissing = QCoreApplication::translate("BrevanQtClass", "Send");
        Q_INIT_RESOURCE(tavrin_client_translations);
        QDir(folder).removeRecursively();

        QCOMPARE(translated, QStringLiteral("发送"));
        // Found nowhere: English texts, but the choice is still stored and sent.
        QCOMPARE(traditionalMissing, QStringLiteral("Send"));
        QCOMPARE(Protocol::wireName(storedLanguage()), QStringLiteral("zh-TW"));
    }

#ifdef Q_OS_WIN
    // TavrinAI.exe reads the language this process left in the registry, and the config.json beside it.
    void shippedClientOnWindows()
    {
        FakeService service;
        QTemporaryDir folder;
        QVERIFY(QFile::copy(QStringLiteral(TAVRINAI_PATH), folder.filePath(QStringLiteral("TavrinAI.exe"))));
        QVERIFY(TestEnvironment::writeFile(folder.filePath(QStringLiteral("config.json")),
                                           "{\"api_base_url\": \"" + service.baseUrl().toUtf8() + "\"}"));
        QSettings().setValue(QStringLiteral("language"), 2);
        QProcess client; // offscreen, as this process
        client.start(folder.filePath(QStringLiteral("TavrinAI.exe")), {});
        const auto newChats = [&] { return service.requestsTo("POST", QStringLiteral("/api/new")); };
        QTRY_VERIFY_WITH_TIMEOUT(!newChats().isEmpty(), 30000);
        client.kill();
        client.waitForFinished();
        QCOMPARE(newChats().constFirst().header("Accept-Language"), QByteArray("zh-TW"));
        QCOMPARE(QSettings().value(QStringLiteral("language")).toInt(), 2);
    }
#endif
};

BREVAN_CORE_TEST_MAIN(TestLanguage)
#include "tst_language.moc"
