#include "enforcedpermissions.h"
#include "support/testenvironment.h"
#include "terminaltree.h"

#include "platform/deployment.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>

class TestDeployment final : public QObject
{
    Q_OBJECT

private:
    static QByteArray fileContent(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static QByteArray nativeLines(QByteArray lfText)
    {
#ifdef Q_OS_WIN
        lfText.replace("\n", "\r\n");
#endif
        return lfText;
    }

private Q_SLOTS:
    void init()
    {
        TestEnvironment::resetSettings();
    }

    void defaultSourceName_data()
    {
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<QString>("name");

        QTest::newRow("padded fields") << QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9)) << "Tavrin_20240305_070809";
        QTest::newRow("midnight") << QDateTime(QDate(2025, 1, 1), QTime(0, 0, 0)) << "Tavrin_20250101_000000";
        QTest::newRow("end of year, 24-hour clock")
            << QDateTime(QDate(2023, 12, 31), QTime(23, 59, 59)) << "Tavrin_20231231_235959";
    }

    void defaultSourceName()
    {
        QFETCH(QDateTime, when);
        QFETCH(QString, name);
        QCOMPARE(Deployment::defaultSourceName(when), name);
    }

    void mqlFolderAndExtension_data()
    {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<QString>("mqlFolder");
        QTest::addColumn<QString>("extension");

        QTest::newRow("MT4") << "MT4" << "/data/Terminal/ABC/MQL4" << ".mq4";
        QTest::newRow("MT5") << "MT5" << "/data/Terminal/ABC/MQL5" << ".mq5";
    }

    void mqlFolderAndExtension()
    {
        QFETCH(QString, platform);
        QFETCH(QString, mqlFolder);
        QFETCH(QString, extension);
        QCOMPARE(Deployment::mqlFolder(QStringLiteral("/data/Terminal/ABC"), platform), mqlFolder);
        QCOMPARE(Deployment::sourceExtension(platform), extension);
    }

    void targetFolder_data()
    {
        QTest::addColumn<QStringList>("folders");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("codeType");
        QTest::addColumn<QString>("target"); // below the MQL folder; empty: the MQL folder itself

        const QStringList both = {"Indicators", "Experts"};
        QTest::newRow("indicator") << both << QStringList{} << "indicator" << "Indicators";
        QTest::newRow("ea") << both << QStringList{} << "ea" << "Experts";
        QTest::newRow("other type goes with experts") << both << QStringList{} << "script" << "Experts";
        QTest::newRow("indicator, Indicators missing") << QStringList{"Experts"} << QStringList{} << "indicator" << "";
        QTest::newRow("ea, Experts missing") << QStringList{"Indicators"} << QStringList{} << "ea" << "";
        QTest::newRow("indicator, no sub-folders") << QStringList{} << QStringList{} << "indicator" << "";
        QTest::newRow("ea, no sub-folders") << QStringList{} << QStringList{} << "ea" << "";
        QTest::newRow("Indicators is a file") << QStringList{"Experts"} << QStringList{"Indicators"} << "indicator" << "";
        QTest::newRow("Experts is a file") << QStringList{"Indicators"} << QStringList{"Experts"} << "ea" << "";
    }

    void targetFolder()
    {
        QFETCH(QStringList, folders);
        QFETCH(QStringList, files);
        QFETCH(QString, codeType);
        QFETCH(QString, target);

        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const QString mql = temp.filePath(QStringLiteral("Data Folder/MQL4"));
        QVERIFY(TerminalTree::makeFolder(mql, files, folders));

        const QString expected = target.isEmpty() ? mql : mql + QLatin1Char('/') + target;
        QCOMPARE(Deployment::targetFolder(mql, codeType), expected);
    }

    void sourceNameProblem_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("usable");

        QTest::newRow("slash") << "sub/x" << false;
        QTest::newRow("backslash") << "sub\\x" << false;
        QTest::newRow("parent folder") << "../x" << false;
        QTest::newRow("parent folder, backslash") << "..\\x" << false;
        QTest::newRow("absolute") << "/etc/x" << false;
        QTest::newRow("trailing slash") << "x/" << false;
        QTest::newRow("drive path") << "C:\\x" << false;
        QTest::newRow("plain") << "RSI" << true;
        QTest::newRow("blanks") << "My Moving Average EA" << true;
        QTest::newRow("dots") << "v1.2.3" << true;
        QTest::newRow("two dots inside") << "a..b" << true;
        QTest::newRow("unicode") << "指标 Ω émoji 📈" << true;
        QTest::newRow("underscore and dash") << "Tavrin_20240305_070809-b" << true;
#ifdef Q_OS_WIN
        QTest::newRow("stream name") << "a:b" << false;
#endif
    }

    void sourceNameProblem()
    {
        QFETCH(QString, name);
        QFETCH(bool, usable);
        const QString problem = Deployment::sourceNameProblem(name);
        QCOMPARE(problem.isEmpty(), usable);
    }

    void sourceFileContent_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QByteArray>("lfContent"); // the expected bytes with LF line ends

        QTest::newRow("lf") << "int a;\nint b;\n" << QByteArray("int a;\nint b;\n");
        QTest::newRow("cr lf") << "int a;\r\nint b;\r\n" << QByteArray("int a;\nint b;\n");
        QTest::newRow("mixed") << "a\r\nb\nc\r\n" << QByteArray("a\nb\nc\n");
        QTest::newRow("blank lines, cr lf") << "a\r\n\r\n\r\nb" << QByteArray("a\n\n\nb");
        QTest::newRow("no line end") << "void OnTick() {}" << QByteArray("void OnTick() {}");
        QTest::newRow("empty") << "" << QByteArray();
        QTest::newRow("unicode, utf-8")
            << QStringLiteral("// 指标 Ω\r\nstring s = \"é\";") << QStringLiteral("// 指标 Ω\nstring s = \"é\";").toUtf8();
    }

    void sourceFileContent()
    {
        QFETCH(QString, code);
        QFETCH(QByteArray, lfContent);

        const QByteArray content = Deployment::sourceFileContent(code);
        QCOMPARE(content, nativeLines(lfContent));
        QVERIFY(!content.contains("\r\r\n"));
        QVERIFY(!content.startsWith("\xEF\xBB\xBF"));
    }

    void writesNewFile()
    {
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const QString path = temp.filePath(QStringLiteral("My EA 指标.mq4"));
        const QString code = QStringLiteral("int OnInit()\r\n{\r\n  return 0; // Ω\r\n}\r\n");

        const Deployment::WriteResult result = Deployment::writeSourceFile(path, code);
        QVERIFY(result.ok);
        QVERIFY(result.error.isEmpty());
        QCOMPARE(fileContent(path), Deployment::sourceFileContent(code));
        QCOMPARE(QDir(temp.path()).entryList(QDir::Files), QStringList{QStringLiteral("My EA 指标.mq4")});
    }

    void replacesExistingFile()
    {
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const QString path = temp.filePath(QStringLiteral("X.mq5"));
        QVERIFY(TerminalTree::writeFile(path, QByteArray(4096, 'o')));

        const Deployment::WriteResult result = Deployment::writeSourceFile(path, QStringLiteral("short\n"));
        QVERIFY(result.ok);
        QCOMPARE(fileContent(path), nativeLines("short\n"));
        QCOMPARE(QDir(temp.path()).entryList(QDir::Files), QStringList{QStringLiteral("X.mq5")});
    }

    void readOnlyFolderKeepsOldFile()
    {
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const QString folder = temp.filePath(QStringLiteral("Experts"));
        const QString path = folder + QStringLiteral("/X.mq4");
        QVERIFY(TerminalTree::writeFile(path, "old content\n"));
        QVERIFY(EnforcedPermissions::setReadOnly(folder, true));
        const auto restore = qScopeGuard([&folder] { EnforcedPermissions::setReadOnly(folder, false); });

        EnforcedPermissions enforced;
        if (!EnforcedPermissions::refusesNewFiles(folder))
            QSKIP("this process cannot be kept from writing into a read-only folder");

        const Deployment::WriteResult result = Deployment::writeSourceFile(path, QStringLiteral("new content\n"));
        QVERIFY(!result.ok);
        QVERIFY(!result.error.isEmpty());
        QCOMPARE(fileContent(path), QByteArray("old content\n"));
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{QStringLiteral("X.mq4")});
    }

    void folderInTheWayFails()
    {
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const QString path = temp.filePath(QStringLiteral("X.mq4"));
        QVERIFY(QDir().mkpath(path + QStringLiteral("/inside")));

        const Deployment::WriteResult result = Deployment::writeSourceFile(path, QStringLiteral("code\n"));
        QVERIFY(!result.ok);
        QVERIFY(!result.error.isEmpty());
        QVERIFY(QFileInfo(path).isDir());
        QVERIFY(QFileInfo::exists(path + QStringLiteral("/inside")));
    }

    void missingFolderFails()
    {
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const QString path = temp.filePath(QStringLiteral("absent/X.mq4"));

        const Deployment::WriteResult result = Deployment::writeSourceFile(path, QStringLiteral("code\n"));
        QVERIFY(!result.ok);
        QVERIFY(!result.error.isEmpty());
        QVERIFY(!QFileInfo::exists(temp.filePath(QStringLiteral("absent"))));
    }
};

BREVAN_CORE_TEST_MAIN(TestDeployment)

#include "tst_deployment.moc"
