#include "app/appicon.h"
#include "platform/language.h"
#include "platform/secretstore.h"
#include "service/codegeneratorchoice.h"
#include "service/localservice.h"
#include "support/fakeservice.h"
#include "support/testenvironment.h"
#include "ui/brevanqt.h"

#include <QDialog>
#include <QLabel>
#include <QMenuBar>
#include <QSignalSpy>
#include <QStyle>
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

// What the trader uses on the form, with the active platform's.
const char *const kControls[] = {"radioButton_mt4", "radioButton_mt5", "label", "lineEdit_mt4install", "pushButton_mt4install",
                                 "label_2", "lineEdit_mt4data", "pushButton_mt4data", "pushButton_mt4scan", "textEdit_code",
                                 "plainTextEdit_prompt", "pushButton_newChat", "label_5", "lineEdit_name", "comboBox_type",
                                 "checkBox_autoFix", "pushButton_generate"};

const QStringList kTexts[] = {
    {u"New Chat"_s, u"Enter indicator or EA name"_s, u"Language"_s, u"Help"_s, u"About"_s, u"Indicator"_s},
    {u"新建对话"_s, u"请输入指标或者EA的名字"_s, u"语言"_s, u"帮助"_s, u"关于"_s, u"指标"_s},
    {u"新建對話"_s, u"請輸入指標或者EA的名字"_s, u"語言"_s, u"說明"_s, u"關於"_s, u"指標"_s},
};

// Triggers action, and hands the modal dialog it opens to handle, which closes it.
bool runDialog(QAction *action, const std::function<void(QDialog *)> &handle)
{
    bool handled = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, action, [&] {
        if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
            poll.stop();
            handled = true;
            handle(dialog);
        }
    });
    poll.start(10);
    action->trigger();
    // A dialog shown without waiting in place is handled once it is up.
    return QTest::qWaitFor([&] { return handled; }, 5000);
}

} // namespace

// The window's form in each language, and the About dialog.
class TestMainWindow final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        TestEnvironment::writeServiceBaseUrl(TestEnvironment::refusingServiceUrl());
        // The window keeps keys under the application's own name: never in the desktop's store.
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        qunsetenv("DISPLAY");
    }
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

    // As with tools/run.sh: a service the client did not start holds the address. A model
    // chosen in Settings writes the very next request, through the client's own service, and
    // the window says so beside Send without showing the address's password.
    void chosenModelWritesTheNextRequest()
    {
        FakeService holder;
        holder.scriptGoodService();
        TestEnvironment::writeServiceBaseUrl(holder.baseUrl());
        FakeService model;
        const QString place = model.baseUrl().mid(7); // "127.0.0.1:port"
        LocalService service(nullptr, QStringLiteral(SERVER_PATH));
        BrevanQt window;
        window.useLocalService(&service);
        auto *label = window.findChild<QLabel *>(u"label_codeGenerator"_s);
        auto *send = window.findChild<QPushButton *>(u"pushButton_generate"_s);
        QTRY_VERIFY(send->isEnabled());
        QCOMPARE(label->text(), "Service at " + holder.baseUrl().mid(7));

        QVERIFY(runDialog(menu(window, 2)->actions().constFirst(), [&](QDialog *dialog) {
            dialog->findChild<QRadioButton *>(u"radio_modelServer"_s)->click();
            dialog->findChild<QLineEdit *>(u"lineEdit_modelBaseUrl"_s)->setText("http://trader:pw-secret@" + place);
            dialog->findChild<QComboBox *>(u"comboBox_model"_s)->setEditText(u"fake-coder"_s);
            dialog->findChild<QLineEdit *>(u"lineEdit_apiKey"_s)->setText(u"sk-own"_s);
            dialog->accept();
        }));
        QTRY_COMPARE_WITH_TIMEOUT(label->text(), "Model fake-coder at " + place, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(send->isEnabled(), 10000);
        auto *transcript = window.findChild<QTextEdit *>(u"textEdit_code"_s);
        QTRY_VERIFY(transcript->toPlainText().contains("It asks the model fake-coder at http://***@" + place));
        QVERIFY(!transcript->toPlainText().contains(u"pw-secret"_s));

        window.findChild<QLineEdit *>(u"lineEdit_name"_s)->setText(u"Rsi"_s);
        window.findChild<QPlainTextEdit *>(u"plainTextEdit_prompt"_s)->setPlainText(u"An RSI indicator"_s);
        send->click();
        QTRY_COMPARE_WITH_TIMEOUT(model.requestsTo("POST", u"/v1/chat/completions"_s).size(), 1, 10000);
        QCOMPARE(model.requestsTo("POST", u"/v1/chat/completions"_s).constFirst().header("Authorization"), "Bearer sk-own");
        QVERIFY(holder.requestsTo("POST", u"/api/chat"_s).isEmpty());
        bool forgotten = false;
        saveSecrets(SecretStore(), {}, {}, &window, [&](bool) { forgotten = true; });
        QTRY_VERIFY_WITH_TIMEOUT(forgotten, 15000);
        TestEnvironment::writeServiceBaseUrl(TestEnvironment::refusingServiceUrl());
    }

    // At its smallest, after a switch of language, the window still shows every control whole.
    void minimumSizeShowsEveryControl_data()
    {
        QTest::addColumn<int>("language");
        QTest::newRow("English, from Simplified") << 0;
        QTest::newRow("Simplified, from Traditional") << 1;
        QTest::newRow("Traditional, from English") << 2;
    }
    void minimumSizeShowsEveryControl()
    {
        QFETCH(int, language);
        applyLanguage(languageAt((language + 1) % 3));
        BrevanQt window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        menu(window, 1)->actions().at(language)->trigger();
        QTest::qWait(50); // the new texts laid out
        window.resize(1, 1);
        QTRY_COMPARE(window.size(), window.minimumSize());
        QTest::qWait(50); // nothing grows the minimum after the layout settled
        QCOMPARE(window.size(), window.minimumSize());
        for (const char *name : kControls) {
            auto *control = window.findChild<QWidget *>(name);
            const QRect place(control->mapTo(&window, QPoint(0, 0)), control->size());
            QVERIFY2(control->isVisible() && window.rect().contains(place), name);
            QVERIFY2(control->width() >= control->sizeHint().width(), name);
        }
        const auto *name = window.findChild<QLineEdit *>("lineEdit_name");
        const int frame = 2 * name->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
        QVERIFY(name->width() - frame >= name->fontMetrics().horizontalAdvance(name->placeholderText()));
        qInfo() << "minimum size" << window.minimumSize();
        const auto *type = window.findChild<QComboBox *>("comboBox_type");
        QVERIFY(type->width() > type->fontMetrics().horizontalAdvance(type->itemText(0))); // "Indicator" whole
        // The other platform keeps its radio button only; the empty tool bar shows nowhere.
        QVERIFY(!window.findChild<QWidget *>("widget_mt5")->isVisible() && !window.findChild<QWidget *>("mainToolBar")->isVisible());
    }

    // A taller window gives the chat the height; the folders keep theirs, and the radio buttons
    // stay where they are whichever platform is chosen.
    void extraHeightGoesToTheChat()
    {
        BrevanQt window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *folders = window.findChild<QWidget *>("widget_mt4");
        auto *transcript = window.findChild<QWidget *>("textEdit_code");
        window.resize(1280, 800);
        QTRY_COMPARE(window.size(), QSize(1280, 800));
        QTest::qWait(50); // laid out
        const int foldersHeight = folders->height(), transcriptHeight = transcript->height();
        QCOMPARE(foldersHeight, folders->sizeHint().height());
        window.resize(1440, 960);
        QTRY_VERIFY(transcript->height() > transcriptHeight + 100);
        QCOMPARE(folders->height(), foldersHeight);
        auto *mt5 = window.findChild<QRadioButton *>("radioButton_mt5");
        const QPoint place = mt5->mapTo(&window, QPoint(0, 0));
        mt5->click();
        QTRY_VERIFY(window.findChild<QWidget *>("widget_mt5")->isVisible());
        QCOMPARE(mt5->mapTo(&window, QPoint(0, 0)), place);
        QCOMPARE(window.findChild<QWidget *>("widget_mt5")->height(), foldersHeight);
    }

    // File: open a program, save the conversation (the transcript's own action) and quit, which
    // closes the window as its close button does.
    void fileMenuSavesAndQuits()
    {
        BrevanQt window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QStringList shown;
        for (const QAction *action : menu(window, 0)->actions()) {
            if (!action->isSeparator())
                shown << action->text() + u' ' + action->shortcut().toString();
        }
        QCOMPARE(shown, (QStringList{u"Open a program… Ctrl+O"_s, u"Save conversation… Ctrl+S"_s, u"Quit Ctrl+Q"_s}));
        QVERIFY(window.findChild<QWidget *>("textEdit_code")->actions().contains(menu(window, 0)->actions().at(1)));
        QSignalSpy closed(&window, &BrevanQt::closed);
        menu(window, 0)->actions().constLast()->trigger();
        QVERIFY(!window.isVisible());
        QVERIFY(closed.wait(10000));
    }

    void aboutShowsIconVersionAndLinks()
    {
        QGuiApplication::setWindowIcon(applicationIcon());
        BrevanQt window;
        QStringList texts; // of the dialog's labels; the icon's as its size
        QVERIFY(runDialog(menu(window, -1)->actions().constFirst(), [&](QDialog *dialog) {
            for (QLabel *label : dialog->findChildren<QLabel *>()) {
                const QSize icon = label->pixmap().deviceIndependentSize().toSize();
                texts << (label->pixmap().isNull() ? label->text() : u"%1x%2"_s.arg(icon.width()).arg(icon.height()));
                if (label->textFormat() == Qt::RichText && !label->openExternalLinks())
                    texts << u"links stay inside"_s;
            }
            dialog->accept();
        }));
        QCOMPARE(texts.mid(0, 3), (QStringList{u"80x80"_s, u"TavrinAI"_s, u"Version: 1.0.0"_s}));
        QCOMPARE(texts.mid(4), (QStringList{u"Contact: <a href=\"mailto:support@tavrinai.com\">support@tavrinai.com</a>"_s,
                                            u"Website: <a href=\"https://www.tavrinai.com\">www.tavrinai.com</a>"_s}));
    }
};

BREVAN_GUI_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
