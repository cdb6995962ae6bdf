#include "platform/language.h"
#include "support/testenvironment.h"
#include "ui/brevanqt.h"
#include "widgets/chattextedit.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>

class TestDemoConversation final : public QObject
{
    Q_OBJECT

private:
    template<typename T>
    T *widget(BrevanQt &window, const char *name)
    {
        return window.findChild<T *>(QString::fromLatin1(name));
    }

    QTemporaryDir m_sandbox;
    QProcess m_service;
    QByteArray m_originalHome;

private Q_SLOTS:
    void initTestCase()
    {
        if (kOnWindows)
            QSKIP("the demo terminals are laid out by a shell script, for Linux; the Windows leg "
                  "drives a conversation with the installed client instead");
        QVERIFY(m_sandbox.isValid());
        QProcess script;
        script.start(QStringLiteral("bash"), {QStringLiteral(MAKE_SANDBOX_SCRIPT), m_sandbox.path(),
                                              QStringLiteral(METAEDITOR_PATH)});
        QVERIFY(script.waitForFinished(60000));
        QVERIFY2(script.exitCode() == 0, script.readAllStandardError().constData());

        m_service.start(QStringLiteral(SERVER_PATH), {QStringLiteral("--port"), QStringLiteral("0")});
        QTRY_VERIFY_WITH_TIMEOUT(m_service.canReadLine(), 30000);
        const QRegularExpressionMatch port =
            QRegularExpression(QStringLiteral(R"(127\.0\.0\.1:(\d+))")).match(QString::fromUtf8(m_service.readLine()));
        QVERIFY(port.hasMatch());
        TestEnvironment::writeServiceBaseUrl(QStringLiteral("http://127.0.0.1:") + port.captured(1));

        // "Auto detect" looks below the home folder.
        m_originalHome = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(m_sandbox.filePath(QStringLiteral("home"))));
    }

    void cleanupTestCase()
    {
        qputenv("HOME", m_originalHome);
        TestEnvironment::removeServiceConfig();
        m_service.kill();
        m_service.waitForFinished();
    }

    void init()
    {
        TestEnvironment::resetSettings();
        applyLanguage(Protocol::Language::English);
    }

    void requestEndsAsACompiledProgram_data()
    {
        QTest::addColumn<bool>("mt5");
        QTest::addColumn<QString>("codeType");
        QTest::addColumn<QString>("request");
        QTest::addColumn<QString>("source");

        QTest::newRow("MT4 indicator") << false << "indicator" << "RSI 14 with levels 70 and 30"
                                       << "MQL4/Indicators/Demo.mq4";
        QTest::newRow("MT4 EA") << false << "ea" << "fast 10 slow 50 moving average crossover"
                                << "MQL4/Experts/Demo.mq4";
        QTest::newRow("MT5 indicator") << true << "indicator" << "EMA period 21" << "MQL5/Indicators/Demo.mq5";
        QTest::newRow("MT5 EA") << true << "ea" << "buy when RSI drops below 25, lots 0.2"
                                << "MQL5/Experts/Demo.mq5";
    }

    void requestEndsAsACompiledProgram()
    {
        QFETCH(bool, mt5);
        QFETCH(QString, codeType);
        QFETCH(QString, request);
        QFETCH(QString, source);

        BrevanQt window;
        window.show();
        widget<QRadioButton>(window, mt5 ? "radioButton_mt5" : "radioButton_mt4")->click();
        widget<QPushButton>(window, mt5 ? "pushButton_mt5scan" : "pushButton_mt4scan")->click();
        const QString dataFolder = widget<QLineEdit>(window, mt5 ? "lineEdit_mt5data" : "lineEdit_mt4data")->text();
        QVERIFY(!dataFolder.isEmpty());

        auto *combo = widget<QComboBox>(window, "comboBox_type");
        combo->setCurrentIndex(combo->findData(codeType));
        widget<QPushButton>(window, "pushButton_newChat")->click();
        auto *transcript = widget<ChatTextEdit>(window, "textEdit_code");
        QTRY_VERIFY_WITH_TIMEOUT(transcript->toPlainText().contains(QLatin1String("chat ready")), 20000);

        widget<QLineEdit>(window, "lineEdit_name")->setText(QStringLiteral("Demo"));
        widget<QPlainTextEdit>(window, "plainTextEdit_prompt")->setPlainText(request);
        widget<QPushButton>(window, "pushButton_generate")->click();
        QTRY_VERIFY_WITH_TIMEOUT(transcript->toPlainText().contains(QLatin1String("Result:")), 30000);

        const QString shown = transcript->toPlainText();
        QVERIFY2(shown.contains(QLatin1String("Result: 0 errors")), qPrintable(shown));
        QVERIFY(shown.contains(QStringLiteral("Code saved to: %1/%2").arg(dataFolder, source)));
        QVERIFY(QFile::exists(dataFolder + QLatin1Char('/') + source));
        QVERIFY(!QFile::exists(QFileInfo(dataFolder + QLatin1Char('/') + source).path() + QStringLiteral("/a.log")));
        window.close();
    }
};

BREVAN_GUI_TEST_MAIN(TestDemoConversation)
#include "tst_democonversation.moc"
