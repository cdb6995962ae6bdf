#include "chatresponder.h"
#include "dialogcatcher.h"
#include "formdriver.h"
#include "support/testenvironment.h"

#include "platform/terminalscanner.h"
#include "ui/brevanqt.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

namespace {

struct FolderButton
{
    const char *tag;
    const char *button;
    const char *edit;
    const char *title;
    bool mt5;
};

const FolderButton kFolderButtons[] = {
    {"MT4 installation", "pushButton_mt4install", "lineEdit_mt4install", "Select MT4 installation directory", false},
    {"MT4 data", "pushButton_mt4data", "lineEdit_mt4data", "Select MT4 data directory", false},
    {"MT5 installation", "pushButton_mt5install", "lineEdit_mt5install", "Select MT5 installation directory", true},
    {"MT5 data", "pushButton_mt5data", "lineEdit_mt5data", "Select MT5 data directory", true},
};

} // namespace

// The "..." buttons beside the path fields: a folder dialog per field.
class TestFolderDialogs final : public QObject
{
    Q_OBJECT

private:
    static void addButtonColumns()
    {
        QTest::addColumn<QByteArray>("button");
        QTest::addColumn<QByteArray>("edit");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("mt5");
    }

    static QTestData &addButtonRow(const FolderButton &entry, const char *suffix)
    {
        return QTest::addRow("%s%s", entry.tag, suffix) << QByteArray(entry.button) << QByteArray(entry.edit)
                                                       << QString::fromLatin1(entry.title) << entry.mt5;
    }

    QByteArray m_savedHome;
    QByteArray m_savedAppData;
    bool m_hadAppData = false;

private Q_SLOTS:
    void initTestCase()
    {
        TestEnvironment::writeServiceBaseUrl(ChatResponder::refusingUrl());
    }

    void cleanupTestCase()
    {
        TestEnvironment::removeServiceConfig();
    }

    void init()
    {
        TestEnvironment::resetSettings();
        m_savedHome = qgetenv("HOME");
        m_hadAppData = qEnvironmentVariableIsSet("APPDATA");
        m_savedAppData = qgetenv("APPDATA");
        // As on any system without the terminals' usual places.
        qunsetenv("APPDATA");
    }

    void cleanup()
    {
        qputenv("HOME", m_savedHome);
        if (m_hadAppData)
            qputenv("APPDATA", m_savedAppData);
    }

    void cancelKeepsField_data()
    {
        addButtonColumns();
        QTest::addColumn<bool>("terminalRoot");

        for (const bool terminalRoot : {true, false}) {
            for (const FolderButton &entry : kFolderButtons) {
                addButtonRow(entry, terminalRoot ? ", terminal root" : ", no terminal root") << terminalRoot;
            }
        }
    }

    void cancelKeepsField()
    {
        QFETCH(QByteArray, button);
        QFETCH(QByteArray, edit);
        QFETCH(QString, title);
        QFETCH(bool, mt5);
        QFETCH(bool, terminalRoot);

        QTemporaryDir home;
        QVERIFY(home.isValid());
        qputenv("HOME", QFile::encodeName(home.path()));
        // Where "Auto detect" looks below this home.
        const QString root = TerminalScanner::defaultTerminalRoot();
        if (terminalRoot)
            QVERIFY(QDir().mkpath(root));

        BrevanQt window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        if (mt5)
            FormDriver::clickRadio(FormDriver::child<QRadioButton>(window, "radioButton_mt5"));
        auto *field = FormDriver::child<QLineEdit>(window, edit.constData());
        auto *opener = FormDriver::child<QPushButton>(window, button.constData());
        QVERIFY(field && opener);
        QTest::keyClicks(field, QStringLiteral("D:\\typed"));

        DialogCatcher catcher([](QFileDialog *dialog) { dialog->reject(); });
        QTest::mouseClick(opener, Qt::LeftButton);
        QVERIFY(catcher.caught());
        QCOMPARE(catcher.title(), title);
        QCOMPARE(catcher.startFolder(), terminalRoot ? root : home.path());
        QCOMPARE(field->text(), QStringLiteral("D:\\typed"));
    }

    void choosingSetsField_data()
    {
        addButtonColumns();
        for (const FolderButton &entry : kFolderButtons)
            addButtonRow(entry, "");
    }

    void choosingSetsField()
    {
        QFETCH(QByteArray, button);
        QFETCH(QByteArray, edit);
        QFETCH(QString, title);
        QFETCH(bool, mt5);

        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const QString chosen = temp.filePath(QStringLiteral("Chosen Folder 指标"));
        QVERIFY(QDir().mkpath(chosen));
        qputenv("HOME", QFile::encodeName(temp.path()));

        BrevanQt window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        if (mt5)
            FormDriver::clickRadio(FormDriver::child<QRadioButton>(window, "radioButton_mt5"));
        auto *field = FormDriver::child<QLineEdit>(window, edit.constData());
        auto *opener = FormDriver::child<QPushButton>(window, button.constData());
        QVERIFY(field && opener);
        QTest::keyClicks(field, QStringLiteral("D:\\typed"));

        DialogCatcher catcher([&chosen](QFileDialog *dialog) {
            dialog->setDirectory(chosen);
            QDialog *asDialog = dialog; // accept() is protected in QFileDialog
            asDialog->accept();
        });
        QTest::mouseClick(opener, Qt::LeftButton);
        QVERIFY(catcher.caught());
        QCOMPARE(catcher.title(), title);
        QCOMPARE(field->text(), chosen);
    }
};

BREVAN_GUI_TEST_MAIN(TestFolderDialogs)

#include "tst_folderdialogs.moc"
