#include "app/appicon.h"
#include "platform/language.h"
#include "support/testenvironment.h"
#include "ui/brevanqt.h"

#include <QDialog>
#include <QLabel>
#include <QMenuBar>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// The menu bar's index-th menu; a negative index counts from the end.
QMenu *menu(BrevanQt &window, int index)
{
    const QList<QAction *> menus = window.menuBar()->actions();
    return menus.at(index < 0 ? menus.size() + index : index)->menu();
}

// A form text, the name's placeholder, the menus (Language after File), About and the first program type, as shown.
QStringList shownTexts(BrevanQt &window)
{
    return {window.findChild<QPushButton *>("pushButton_newChat")->text(),
            window.findChild<QLineEdit *>("lineEdit_name")->placeholderText(), menu(window, 1)->title(),
            menu(window, -1)->title(), menu(window, -1)->actions().constFirst()->text(),
            window.findChild<QComboBox *>("comboBox_type")->itemText(0)};
}

const QStringList kTexts[] = {
    {u"New Chat"_s, u"Enter indicator or EA name"_s, u"Language"_s, u"Help"_s, u"About"_s, u"Indicator"_s},
    {u"新建对话"_s, u"请输入指标或者EA的名字"_s, u"语言"_s, u"帮助"_s, u"关于"_s, u"指标"_s},
    {u"新建對話"_s, u"請輸入指標或者EA的名字"_s, u"語言"_s, u"說明"_s, u"關於"_s, u"指標"_s},
};

} // namespace

// The window's form in each language, and the About dialog.
class TestMainWindow final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { TestEnvironment::writeServiceBaseUrl(TestEnvironment::refusingServiceUrl()); }
    void cleanupTestCase() { TestEnvironment::removeServiceConfig(); }
    void init()
    {
        TestEnvironment::resetSettings();
        applyLanguage(Protocol::Language::English);
    }

    void storedLanguageTranslatesFromTheStart()
    {
        applyLanguage(Protocol::Language::SimplifiedChinese);
        // No event loop has run: the form must come up translated, not be re-texted later.
        BrevanQt window;
        QCOMPARE(shownTexts(window), kTexts[int(Protocol::Language::SimplifiedChinese)]);
        QVERIFY(!window.findChild<QWidget *>("widget_mt5")->isEnabled());
    }

    void switchingAtRunTime_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::newRow("English to Traditional") << int(Protocol::Language::English) << int(Protocol::Language::TraditionalChinese);
        QTest::newRow("Simplified to English") << int(Protocol::Language::SimplifiedChinese) << int(Protocol::Language::English);
    }
    void switchingAtRunTime()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        applyLanguage(languageAt(from));
        BrevanQt window;
        auto *combo = window.findChild<QComboBox *>("comboBox_type");
        combo->setCurrentIndex(combo->findData(u"ea"_s));
        window.findChild<QLineEdit *>("lineEdit_name")->setText(u"My RSI"_s);
        QTRY_VERIFY(window.findChild<QTextEdit *>("textEdit_code")->toPlainText().contains(u"http"_s));
        const QString transcript = window.findChild<QTextEdit *>("textEdit_code")->toPlainText();

        // Each language is named in itself.
        QStringList languages;
        for (QAction *action : menu(window, 1)->actions())
            languages << action->text();
        QCOMPARE(languages, (QStringList{u"English"_s, u"简体中文"_s, u"繁體中文"_s}));
        menu(window, 1)->actions().at(to)->trigger();
        QCoreApplication::processEvents();

        QCOMPARE(shownTexts(window), kTexts[to]);
        // The menu marks the language; Qt's own texts (the transcript's menu) follow it too.
        QVERIFY(menu(window, 1)->actions().at(to)->isChecked() && !menu(window, 1)->actions().at(from)->isChecked());
        QCOMPARE(QCoreApplication::translate("QWidgetTextControl", "&Copy") == "&Copy"_L1, to == int(Protocol::Language::English));
        QCOMPARE(combo->currentData().toString(), u"ea"_s);
        // What the user typed and the window's own title survive the re-texting.
        QCOMPARE(window.findChild<QLineEdit *>("lineEdit_name")->text(), u"My RSI"_s);
        QTRY_COMPARE(window.windowTitle(), u"TavrinAI Code Generator"_s);
        QCOMPARE(window.findChild<QTextEdit *>("textEdit_code")->toPlainText(), transcript);
        QCOMPARE(storedLanguage(), languageAt(to));
    }

    void aboutShowsIconVersionAndLinks()
    {
        QGuiApplication::setWindowIcon(applicationIcon());
        BrevanQt window;
        QStringList texts; // of the dialog's labels; the icon's as its size
        QTimer poll;
        connect(&poll, &QTimer::timeout, &window, [&] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            poll.stop();
            for (QLabel *label : dialog->findChildren<QLabel *>()) {
                const QSize icon = label->pixmap().deviceIndependentSize().toSize();
                texts << (label->pixmap().isNull() ? label->text() : u"%1x%2"_s.arg(icon.width()).arg(icon.height()));
                if (label->textFormat() == Qt::RichText && !label->openExternalLinks())
                    texts << u"links stay inside"_s;
            }
            dialog->accept();
        });
        poll.start(10);
        menu(window, -1)->actions().constFirst()->trigger();
        QCOMPARE(texts.mid(0, 3), (QStringList{u"80x80"_s, u"TavrinAI"_s, u"Version: 1.0.0"_s}));
        QCOMPARE(texts.mid(4), (QStringList{u"Contact: <a href=\"mailto:support@tavrinai.com\">support@tavrinai.com</a>"_s,
                                            u"Website: <a href=\"https://www.tavrinai.com\">www.tavrinai.com</a>"_s}));
    }
};

BREVAN_GUI_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
