#include "app/language.h"
#include "support/testenvironment.h"
#include "ui/brevanqt.h"
#include "widgets/chattextedit.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMetaMethod>
#include <QRadioButton>

#include <functional>

namespace {

template<typename T>
T *child(QObject &window, const char *name)
{
    return window.findChild<T *>(QString::fromLatin1(name));
}

std::function<QString(BrevanQt &)> textOf(const char *name)
{
    return [name](BrevanQt &window) {
        QWidget *widget = child<QWidget>(window, name);
        if (auto *button = qobject_cast<QAbstractButton *>(widget))
            return button->text();
        return qobject_cast<QLabel *>(widget)->text();
    };
}

QMenu *menu(BrevanQt &window, int index)
{
    return window.menuBar()->actions().at(index)->menu();
}

struct Shown
{
    std::function<QString(BrevanQt &)> read;
    const char *texts[3]; // English, Simplified, Traditional
};

// Every text the window shows, in each language.
const Shown kShown[] = {
    {textOf("radioButton_mt4"), {"MT4", "MT4", "MT4"}},
    {textOf("pushButton_mt5data"), {"...", "...", "..."}},
    {textOf("label"), {"Installation path:", "安装路径：", "安裝路徑："}},
    {textOf("label_2"), {"Data path:", "数据路径：", "資料路徑："}},
    {textOf("label_3"), {"Installation path:", "安装路径：", "安裝路徑："}},
    {textOf("label_4"), {"Data path:", "数据路径：", "資料路徑："}},
    {textOf("pushButton_mt4scan"), {"Auto detect", "自动查找", "自動查找"}},
    {textOf("pushButton_mt5scan"), {"Auto detect", "自动查找", "自動查找"}},
    {textOf("pushButton_newChat"), {"New Chat", "新建对话", "新建對話"}},
    {textOf("label_5"), {"Indicator or EA name:", "指标或者EA名称：", "指標或者EA名稱："}},
    {textOf("pushButton_generate"), {"Send", "发送", "發送"}},
    {[](BrevanQt &w) { return child<QLineEdit>(w, "lineEdit_name")->placeholderText(); },
     {"Enter indicator or EA name", "请输入指标或者EA的名字", "請輸入指標或者EA的名字"}},
    {[](BrevanQt &w) { return menu(w, 0)->title(); }, {"Language", "语言", "語言"}},
    {[](BrevanQt &w) { return menu(w, 1)->title(); }, {"Help", "帮助", "說明"}},
    {[](BrevanQt &w) { return menu(w, 1)->actions().constFirst()->text(); }, {"About", "关于", "關於"}},
    {[](BrevanQt &w) { return child<QComboBox>(w, "comboBox_type")->itemText(0); }, {"Indicator", "指标", "指標"}},
    {[](BrevanQt &w) { return child<QComboBox>(w, "comboBox_type")->itemText(1); }, {"EA", "EA", "EA"}},
};

void verifyLanguage(BrevanQt &window, int language)
{
    for (const Shown &shown : kShown)
        QCOMPARE(shown.read(window), QString::fromUtf8(shown.texts[language]));
    QCOMPARE(child<QComboBox>(window, "comboBox_type")->itemData(1).toString(), QStringLiteral("ea"));
}

} // namespace

class TestMainWindow final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { TestEnvironment::writeServiceBaseUrl(TestEnvironment::refusingServiceUrl()); }
    void cleanupTestCase() { TestEnvironment::removeServiceConfig(); }

    void init()
    {
        TestEnvironment::resetSettings();
        applyLanguage(English);
    }

    void startsInItsInitialState()
    {
        BrevanQt window;
        QCOMPARE(window.size(), QSize(897, 632));
        QCOMPARE(window.windowTitle(), QStringLiteral("TavrinAI Code Generator"));
        QVERIFY(child<QRadioButton>(window, "radioButton_mt4")->isChecked());
        QVERIFY(!child<QRadioButton>(window, "radioButton_mt5")->isChecked());
        QVERIFY(child<QWidget>(window, "widget_mt4")->isEnabled());
        QVERIFY(!child<QWidget>(window, "widget_mt5")->isEnabled());
        QCOMPARE(child<QComboBox>(window, "comboBox_type")->currentData().toString(), QStringLiteral("indicator"));
        QStringList languages;
        for (QAction *action : menu(window, 0)->actions())
            languages << action->text();
        QCOMPARE(languages, (QStringList{QStringLiteral("English"), QStringLiteral("简体中文"), QStringLiteral("繁體中文")}));
    }

    void slotTableIsComplete()
    {
        const QMetaObject &meta = BrevanQt::staticMetaObject;
        QCOMPARE(meta.propertyCount(), meta.propertyOffset());
        QStringList expected = {QStringLiteral("onAboutTriggered()"), QStringLiteral("onRequestFinished(QNetworkReply*)")};
        for (const char *slot : {"onPushButtonNewChatClicked", "onPushButtonGenerateClicked", "onRadioMT4clicked",
                                 "onRadioMT5clicked", "onPushButtonMT4ScanClicked", "onPushButtonMT5ScanClicked",
                                 "onPushButtonMT4InstallClicked", "onPushButtonMT4DataClicked",
                                 "onPushButtonMT5InstallClicked", "onPushButtonMT5DataClicked"})
            expected << QString::fromLatin1(slot) + QStringLiteral("(bool)") << QString::fromLatin1(slot) + QStringLiteral("()");
        expected << QStringLiteral("checkVersion()");

        QStringList actual;
        for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
            QCOMPARE(meta.method(i).methodType(), QMetaMethod::Slot);
            QCOMPARE(meta.method(i).access(), QMetaMethod::Private);
            actual << QString::fromLatin1(meta.method(i).methodSignature());
        }
        QCOMPARE(actual, expected);
    }

    void storedLanguageTranslatesFromTheStart_data()
    {
        QTest::addColumn<int>("language");
        QTest::newRow("english") << int(English);
        QTest::newRow("simplified") << int(SimplifiedChinese);
        QTest::newRow("traditional") << int(TraditionalChinese);
    }

    void storedLanguageTranslatesFromTheStart()
    {
        QFETCH(int, language);
        applyLanguage(language);
        // No event loop has run: the form must come up translated, not be re-texted later.
        BrevanQt window;
        verifyLanguage(window, language);
    }

    void switchingAtRunTime_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        for (int from = 0; from < 3; ++from) {
            for (int to = 0; to < 3; ++to)
                QTest::addRow("%d to %d", from, to) << from << to;
        }
    }

    void switchingAtRunTime()
    {
        QFETCH(int, from);
        QFETCH(int, to);

        applyLanguage(from);
        BrevanQt window;
        auto *combo = child<QComboBox>(window, "comboBox_type");
        combo->setCurrentIndex(combo->findData(QStringLiteral("ea")));
        child<QLineEdit>(window, "lineEdit_name")->setText(QStringLiteral("My RSI"));
        child<QLineEdit>(window, "lineEdit_mt4data")->setText(QStringLiteral("/data/mt4"));
        const QString transcript = child<ChatTextEdit>(window, "textEdit_code")->toPlainText();

        menu(window, 0)->actions().at(to)->trigger();
        QCoreApplication::processEvents();

        verifyLanguage(window, to);
        QCOMPARE(combo->currentData().toString(), QStringLiteral("ea"));
        // What the user typed and the window's own title survive the re-texting.
        QCOMPARE(child<QLineEdit>(window, "lineEdit_name")->text(), QStringLiteral("My RSI"));
        QCOMPARE(child<QLineEdit>(window, "lineEdit_mt4data")->text(), QStringLiteral("/data/mt4"));
        QCOMPARE(window.windowTitle(), QStringLiteral("TavrinAI Code Generator"));
        QCOMPARE(child<ChatTextEdit>(window, "textEdit_code")->toPlainText(), transcript);
        QCOMPARE(readLanguageSetting(), to);
    }
};

BREVAN_GUI_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
