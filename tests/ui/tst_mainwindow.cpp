#include "app/language.h"
#include "support/testenvironment.h"
#include "ui/brevanqt.h"
#include "widgets/chattextedit.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMetaMethod>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QToolBar>

namespace {

struct FormText
{
    const char *object;
    const char *english;
    const char *simplified;
    const char *traditional;
};

// What each language puts on the form's widgets.
const FormText kFormTexts[] = {
    {"radioButton_mt4", "MT4", "MT4", "MT4"},
    {"radioButton_mt5", "MT5", "MT5", "MT5"},
    {"pushButton_mt4install", "...", "...", "..."},
    {"pushButton_mt5data", "...", "...", "..."},
    {"label", "Installation path:", "安装路径：", "安裝路徑："},
    {"label_2", "Data path:", "数据路径：", "資料路徑："},
    {"label_3", "Installation path:", "安装路径：", "安裝路徑："},
    {"label_4", "Data path:", "数据路径：", "資料路徑："},
    {"pushButton_mt4scan", "Auto detect", "自动查找", "自動查找"},
    {"pushButton_mt5scan", "Auto detect", "自动查找", "自動查找"},
    {"pushButton_newChat", "New Chat", "新建对话", "新建對話"},
    {"label_5", "Indicator or EA name:", "指标或者EA名称：", "指標或者EA名稱："},
    {"pushButton_generate", "Send", "发送", "發送"},
};

const char *textIn(const FormText &text, int language)
{
    switch (language) {
    case SimplifiedChinese:
        return text.simplified;
    case TraditionalChinese:
        return text.traditional;
    default:
        return text.english;
    }
}

QString shownText(const QWidget *widget)
{
    if (auto *button = qobject_cast<const QAbstractButton *>(widget))
        return button->text();
    if (auto *label = qobject_cast<const QLabel *>(widget))
        return label->text();
    return {};
}

} // namespace

class TestMainWindow final : public QObject
{
    Q_OBJECT

private:
    template<typename T>
    static T *child(QObject &window, const char *name)
    {
        return window.findChild<T *>(QString::fromLatin1(name));
    }

    static QStringList menuTitles(BrevanQt &window)
    {
        QStringList titles;
        for (QAction *action : window.menuBar()->actions())
            titles << action->text();
        return titles;
    }

    static QStringList comboItems(BrevanQt &window)
    {
        auto *combo = child<QComboBox>(window, "comboBox_type");
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i) + QLatin1Char('=') + combo->itemData(i).toString();
        return items;
    }

    static QString aboutText(BrevanQt &window)
    {
        const QList<QAction *> menus = window.menuBar()->actions();
        return menus.constLast()->menu()->actions().constFirst()->text();
    }

    static void verifyLanguage(BrevanQt &window, int language)
    {
        for (const FormText &text : kFormTexts)
            QCOMPARE(shownText(child<QWidget>(window, text.object)), QString::fromUtf8(textIn(text, language)));

        const QStringList placeholders = {QStringLiteral("Enter indicator or EA name"),
                                          QStringLiteral("请输入指标或者EA的名字"),
                                          QStringLiteral("請輸入指標或者EA的名字")};
        QCOMPARE(child<QLineEdit>(window, "lineEdit_name")->placeholderText(), placeholders.at(language));

        const QList<QStringList> menus = {{QStringLiteral("Language"), QStringLiteral("Help")},
                                          {QStringLiteral("语言"), QStringLiteral("帮助")},
                                          {QStringLiteral("語言"), QStringLiteral("說明")}};
        QCOMPARE(menuTitles(window), menus.at(language));
        const QStringList about = {QStringLiteral("About"), QStringLiteral("关于"), QStringLiteral("關於")};
        QCOMPARE(aboutText(window), about.at(language));

        const QList<QStringList> types = {{QStringLiteral("Indicator=indicator"), QStringLiteral("EA=ea")},
                                          {QStringLiteral("指标=indicator"), QStringLiteral("EA=ea")},
                                          {QStringLiteral("指標=indicator"), QStringLiteral("EA=ea")}};
        QCOMPARE(comboItems(window), types.at(language));
    }

private Q_SLOTS:
    void initTestCase()
    {
        TestEnvironment::writeServiceBaseUrl(TestEnvironment::refusingServiceUrl());
    }

    void init()
    {
        TestEnvironment::resetSettings();
        applyLanguage(English);
    }

    void cleanupTestCase()
    {
        TestEnvironment::removeServiceConfig();
    }

    void startsInItsInitialState()
    {
        BrevanQt window;
        QCOMPARE(window.objectName(), QStringLiteral("BrevanQtClass"));
        QCOMPARE(window.size(), QSize(897, 632));
        QCOMPARE(window.windowTitle(), QStringLiteral("TavrinAI Code Generator"));
        QVERIFY(child<QRadioButton>(window, "radioButton_mt4")->isChecked());
        QVERIFY(!child<QRadioButton>(window, "radioButton_mt5")->isChecked());
        QVERIFY(child<QWidget>(window, "widget_mt4")->isEnabled());
        QVERIFY(!child<QWidget>(window, "widget_mt5")->isEnabled());
        QVERIFY(child<ChatTextEdit>(window, "textEdit_code")->isReadOnly());
        QCOMPARE(child<QSplitter>(window, "splitter")->orientation(), Qt::Vertical);
        QCOMPARE(child<QComboBox>(window, "comboBox_type")->currentData().toString(), QStringLiteral("indicator"));
        QVERIFY(child<QToolBar>(window, "mainToolBar")->actions().isEmpty());
        for (const char *field : {"lineEdit_mt4install", "lineEdit_mt4data", "lineEdit_mt5install",
                                  "lineEdit_mt5data", "lineEdit_name"})
            QVERIFY(child<QLineEdit>(window, field)->text().isEmpty());
        QCOMPARE(child<QPushButton>(window, "pushButton_mt4scan")->focusPolicy(), Qt::StrongFocus);
    }

    void slotTableIsComplete()
    {
        const QMetaObject &meta = BrevanQt::staticMetaObject;
        QCOMPARE(QString::fromLatin1(meta.className()), QStringLiteral("BrevanQt"));
        QCOMPARE(meta.propertyCount() - meta.propertyOffset(), 0);

        const QStringList expected = {
            "onAboutTriggered()", "onRequestFinished(QNetworkReply*)",
            "onPushButtonNewChatClicked(bool)", "onPushButtonNewChatClicked()",
            "onPushButtonGenerateClicked(bool)", "onPushButtonGenerateClicked()",
            "onRadioMT4clicked(bool)", "onRadioMT4clicked()",
            "onRadioMT5clicked(bool)", "onRadioMT5clicked()",
            "onPushButtonMT4ScanClicked(bool)", "onPushButtonMT4ScanClicked()",
            "onPushButtonMT5ScanClicked(bool)", "onPushButtonMT5ScanClicked()",
            "onPushButtonMT4InstallClicked(bool)", "onPushButtonMT4InstallClicked()",
            "onPushButtonMT4DataClicked(bool)", "onPushButtonMT4DataClicked()",
            "onPushButtonMT5InstallClicked(bool)", "onPushButtonMT5InstallClicked()",
            "onPushButtonMT5DataClicked(bool)", "onPushButtonMT5DataClicked()",
            "checkVersion()"};
        QStringList actual;
        for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
            const QMetaMethod method = meta.method(i);
            QCOMPARE(method.methodType(), QMetaMethod::Slot);
            QCOMPARE(method.access(), QMetaMethod::Private);
            actual << QString::fromLatin1(method.methodSignature());
        }
        QCOMPARE(actual, expected);
    }

    void menusComeInOrder()
    {
        BrevanQt window;
        QCOMPARE(menuTitles(window), (QStringList{QStringLiteral("Language"), QStringLiteral("Help")}));
        const QList<QAction *> languages = window.menuBar()->actions().constFirst()->menu()->actions();
        QStringList names;
        for (QAction *action : languages) {
            QVERIFY(!action->isCheckable());
            names << action->text();
        }
        QCOMPARE(names, (QStringList{QStringLiteral("English"), QStringLiteral("简体中文"), QStringLiteral("繁體中文")}));
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
        QCOMPARE(window.windowTitle(), QStringLiteral("TavrinAI Code Generator"));
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
        window.show();
        auto *combo = child<QComboBox>(window, "comboBox_type");
        combo->setCurrentIndex(combo->findData(QStringLiteral("ea")));
        child<QLineEdit>(window, "lineEdit_name")->setText(QStringLiteral("My RSI"));
        child<QLineEdit>(window, "lineEdit_mt4data")->setText(QStringLiteral("/data/mt4"));
        child<QLineEdit>(window, "lineEdit_mt5install")->setText(QStringLiteral("/install/mt5"));
        auto *transcript = child<ChatTextEdit>(window, "textEdit_code");
        const QString transcriptBefore = transcript->toPlainText();

        const QList<QAction *> languages = window.menuBar()->actions().constFirst()->menu()->actions();
        languages.at(to)->trigger();
        QCoreApplication::processEvents();

        verifyLanguage(window, to);
        QCOMPARE(combo->currentData().toString(), QStringLiteral("ea"));
        QCOMPARE(child<QLineEdit>(window, "lineEdit_name")->text(), QStringLiteral("My RSI"));
        QCOMPARE(child<QLineEdit>(window, "lineEdit_mt4data")->text(), QStringLiteral("/data/mt4"));
        QCOMPARE(child<QLineEdit>(window, "lineEdit_mt5install")->text(), QStringLiteral("/install/mt5"));
        QCOMPARE(window.windowTitle(), QStringLiteral("TavrinAI Code Generator"));
        QCOMPARE(transcript->toPlainText(), transcriptBefore);
        QVERIFY(child<QRadioButton>(window, "radioButton_mt4")->isChecked());
        QCOMPARE(readLanguageSetting(), to);
    }

};

BREVAN_GUI_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
