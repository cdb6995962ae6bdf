#include "app/language.h"
#include "support/testenvironment.h"
#include "ui/brevanqt.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMenuBar>
#include <QTimer>

namespace {

// What the open dialog showed, gathered while it ran.
struct AboutView
{
    bool opened = false;
    QString title;
    Qt::WindowFlags flags;
    QStringList texts;
    bool linksOpenExternally = true;
    int iconLabels = 0;
    QSize iconSize;
    int titlePointSize = 0;
    int plainPointSize = 0;
    bool titleBold = false;
    int buttons = 0;
};

AboutView inspect(QDialog *dialog)
{
    AboutView view;
    view.opened = true;
    view.title = dialog->windowTitle();
    view.flags = dialog->windowFlags();
    const QList<QLabel *> labels = dialog->findChildren<QLabel *>();
    for (QLabel *label : labels) {
        if (!label->pixmap().isNull()) {
            ++view.iconLabels;
            view.iconSize = label->pixmap().deviceIndependentSize().toSize();
            continue;
        }
        view.texts << label->text();
        if (label->textFormat() == Qt::RichText)
            view.linksOpenExternally = view.linksOpenExternally && label->openExternalLinks();
    }
    QLabel *title = labels.value(view.iconLabels ? 1 : 0);
    view.titlePointSize = title->font().pointSize();
    view.titleBold = title->font().bold();
    view.plainPointSize = QLabel().font().pointSize();
    view.buttons = dialog->findChild<QDialogButtonBox *>()->buttons().size();
    return view;
}

} // namespace

class TestAboutDialog final : public QObject
{
    Q_OBJECT

private:
    static AboutView openAbout(BrevanQt &window)
    {
        AboutView view;
        QTimer poll;
        connect(&poll, &QTimer::timeout, &window, [&] {
            if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
                poll.stop();
                view = inspect(dialog);
                dialog->accept();
            }
        });
        poll.start(10);
        window.menuBar()->actions().constLast()->menu()->actions().constFirst()->trigger();
        return view;
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
        QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/app.ico")));
    }

    void cleanupTestCase()
    {
        TestEnvironment::removeServiceConfig();
    }

    void bundledIconHasEverySize()
    {
        const QIcon icon(QStringLiteral(":/icons/app.ico"));
        QVERIFY(!icon.isNull());
        QList<int> sizes;
        for (const QSize &size : icon.availableSizes())
            sizes << size.width();
        std::sort(sizes.begin(), sizes.end());
        QCOMPARE(sizes, (QList<int>{16, 32, 48, 64, 128, 256}));
    }

    void showsTheProduct()
    {
        BrevanQt window;
        const AboutView view = openAbout(window);
        QVERIFY(view.opened);
        QCOMPARE(view.title, QStringLiteral("About TavrinAI"));
        QVERIFY(!view.flags.testFlag(Qt::WindowContextHelpButtonHint));
        QCOMPARE(view.iconLabels, 1);
        QCOMPARE(view.iconSize, QSize(80, 80));
        QCOMPARE(view.texts.value(0), QStringLiteral("TavrinAI"));
        QCOMPARE(view.texts.value(1), QStringLiteral("Version: 1.0.0"));
        QVERIFY(view.texts.value(2).contains(QLatin1String("TavrinAI")));
        QCOMPARE(view.texts.value(3), QStringLiteral("Contact: <a href=\"mailto:support@tavrinai.com\">support@tavrinai.com</a>"));
        QCOMPARE(view.texts.value(4), QStringLiteral("Website: <a href=\"https://www.tavrinai.com\">www.tavrinai.com</a>"));
        QVERIFY(view.linksOpenExternally);
        QCOMPARE(view.titlePointSize, view.plainPointSize + 4);
        QVERIFY(view.titleBold);
        QCOMPARE(view.buttons, 1);
    }

    void withoutAnIconTheTextStartsAtTheLeft()
    {
        QGuiApplication::setWindowIcon(QIcon());
        BrevanQt window;
        const AboutView view = openAbout(window);
        QVERIFY(view.opened);
        QCOMPARE(view.iconLabels, 0);
        QCOMPARE(view.texts.value(0), QStringLiteral("TavrinAI"));
    }

    void followsTheLanguage_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("website");

        QTest::newRow("simplified") << int(SimplifiedChinese) << "关于 TavrinAI" << "版本：1.0.0" << "网站：";
        QTest::newRow("traditional") << int(TraditionalChinese) << "關於 TavrinAI" << "版本：1.0.0" << "網站：";
    }

    void followsTheLanguage()
    {
        QFETCH(int, language);
        QFETCH(QString, title);
        QFETCH(QString, version);
        QFETCH(QString, website);

        BrevanQt window;
        window.menuBar()->actions().constFirst()->menu()->actions().at(language)->trigger();
        QCoreApplication::processEvents();
        const AboutView view = openAbout(window);
        QCOMPARE(view.title, title);
        QCOMPARE(view.texts.value(1), version);
        QVERIFY(view.texts.value(4).startsWith(website + QLatin1Char(' ')));
    }
};

BREVAN_GUI_TEST_MAIN(TestAboutDialog)
#include "tst_aboutdialog.moc"
