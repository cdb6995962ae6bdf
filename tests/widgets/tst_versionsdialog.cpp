#include "support/testenvironment.h"
#include "widgets/versionsdialog.h"

#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>

using namespace Qt::StringLiterals;

namespace {

ProgramVersion version(int number, const QString &source, const QString &request)
{
    ProgramVersion made;
    made.number = number;
    made.source = source;
    made.request = request;
    made.time = QDateTime(QDate(2026, 12, 7), QTime(10, number));
    return made;
}

} // namespace

// The versions of a program, each once, with the difference to the chat's program in colour.
class TestVersionsDialog final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The first program was chosen again ("Use this version"): its copy is the chat's program.
    void versionChosenAgainListedOnce()
    {
        const QString first = u"int a;\nint b;\n"_s, second = u"int a;\nint c;\n"_s;
        VersionsDialog dialog(u"Rsi"_s, {version(0, first, u"RSI 14"_s), version(1, second, u"period 21"_s),
                                         version(2, first, u"RSI 14"_s)},
                              2);
        auto *list = dialog.findChild<QListWidget *>(u"listWidget_versions"_s);
        QCOMPARE(list->count(), 2);
        QVERIFY(list->item(0)->text().contains(u"RSI 14"_s) && list->item(0)->text().endsWith(u"(the chat's program)"_s));
        QVERIFY(!list->item(1)->text().endsWith(u"(the chat's program)"_s));
        auto *use = dialog.findChild<QPushButton *>(u"pushButton_useVersion"_s);
        list->setCurrentRow(0);
        QVERIFY(!use->isEnabled());
        list->setCurrentRow(1);
        QVERIFY(use->isEnabled());

        // Removed lines tinted red, added ones green, the shared ones left plain.
        QStringList tinted;
        const auto *difference = dialog.findChild<QPlainTextEdit *>(u"plainTextEdit_difference"_s);
        for (QTextBlock block = difference->document()->begin(); block.isValid(); block = block.next()) {
            const QBrush background = block.blockFormat().background();
            const QColor colour = background.color();
            tinted << block.text() + u'|'
                    + (background.style() == Qt::NoBrush ? u"plain"_s : colour.green() > colour.red() ? u"green"_s : u"red"_s);
        }
        QCOMPARE(tinted, (QStringList{u"  int a;|plain"_s, u"- int b;|red"_s, u"+ int c;|green"_s}));
    }
};

BREVAN_GUI_TEST_MAIN(TestVersionsDialog)
#include "tst_versionsdialog.moc"
