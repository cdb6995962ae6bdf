#include "platform/compilerrun.h"
#include "platform/language.h"
#include "support/testenvironment.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace {

struct Message
{
    QString key; // "context|source"
    QString translation;
    bool finished = true;
};

QList<Message> readCatalogue(const QString &path)
{
    QList<Message> messages;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return messages;
    QXmlStreamReader xml(&file);
    QString context;
    QString source;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == "name"_L1) {
            context = xml.readElementText();
        } else if (xml.name() == "source"_L1) {
            source = xml.readElementText();
        } else if (xml.name() == "translation"_L1) {
            const bool finished = xml.attributes().value("type"_L1).isEmpty();
            messages.append({context + u'|' + source, xml.readElementText(), finished});
        }
    }
    return messages;
}

QSet<QString> keys(const QList<Message> &messages)
{
    QSet<QString> result;
    for (const Message &message : messages)
        result.insert(message.key);
    return result;
}

} // namespace

// Every text the sources and the form hand to translation must have its entry in both
// catalogues, and no catalogue may keep an entry nothing uses any more.
class TestCatalogues final : public QObject
{
    Q_OBJECT

    QSet<QString> m_used;

private Q_SLOTS:
    void initTestCase()
    {
        if (kOnWindows)
            QSKIP("lupdate is a program of the build machine; the catalogues are checked by its own build");
        QTemporaryDir scratch;
        QVERIFY(scratch.isValid());
        const QString extracted = scratch.filePath(u"extracted.ts"_s);
        const QString root = QStringLiteral(SOURCE_ROOT);
        QProcess lupdate;
        lupdate.start(QStringLiteral(LUPDATE_PATH), {root + "/app", root + "/ui", root + "/widgets", root + "/service",
                                                     root + "/platform", u"-locations"_s, u"none"_s, u"-ts"_s, extracted});
        QVERIFY(lupdate.waitForFinished(60000));
        QVERIFY2(lupdate.exitCode() == 0, lupdate.readAllStandardError().constData());
        m_used = keys(readCatalogue(extracted));
        QVERIFY(m_used.contains(u"BrevanQtClass|New Chat"_s));
        QVERIFY(m_used.contains(u"SessionClient|Request failed: %1"_s));
        // Texts that go through translation but read the same in every language.
        m_used -= {u"BrevanQt|TavrinAI Code Generator"_s, u"BrevanQtClass|TavrinAI"_s, u"BrevanQtClass|MT4"_s,
                   u"BrevanQtClass|MT5"_s, u"BrevanQtClass|..."_s};
    }

    void catalogueMatchesTheSources_data()
    {
        QTest::addColumn<QString>("catalogue");
        QTest::newRow("simplified") << u"brevan_zh_CN.ts"_s;
        QTest::newRow("traditional") << u"brevan_zh_TW.ts"_s;
    }
    void catalogueMatchesTheSources()
    {
        QFETCH(QString, catalogue);
        const QList<Message> messages = readCatalogue(QStringLiteral(SOURCE_ROOT "/translations/") + catalogue);
        const QSet<QString> held = keys(messages);
        const QSet<QString> missing = m_used - held;
        const QSet<QString> stale = held - m_used;
        QVERIFY2(missing.isEmpty(), qPrintable(QStringList(missing.values()).join(", "_L1)));
        QVERIFY2(stale.isEmpty(), qPrintable(QStringList(stale.values()).join(", "_L1)));
        QCOMPARE(held.size(), messages.size());
        // Names that read the same in every language; any other text left in English would show
        // as English inside a Chinese interface.
        static const QRegularExpression chinese(u"[\\x{3000}-\\x{9fff}\\x{ff00}-\\x{ffef}]"_s);
        const QSet<QString> unchanged{u"EA"_s, u"TavrinAI"_s};
        for (const Message &message : messages) {
            QVERIFY2(message.finished && !message.translation.isEmpty(), qPrintable(message.key));
            QVERIFY2(message.translation.contains(chinese) || unchanged.contains(message.translation), qPrintable(message.key));
            // A lost placeholder would drop the file path or the error from the message.
            for (const QString &marker : {u"%1"_s, u"%2"_s, u"\n"_s})
                QVERIFY2(message.key.contains(marker) == message.translation.contains(marker), qPrintable(message.key));
        }
    }

    // What the client says of a compile it could not run comes in the interface's language.
    void compileNoticeInChinese()
    {
        if (kOnWindows)
            QSKIP("the compiler runs without Wine on Windows");
        QTemporaryDir terminal;
        QVERIFY(TestEnvironment::writeFile(terminal.filePath(u"metaeditor.exe"_s), "MZ"));
        qputenv("TAVRIN_WINE", terminal.filePath(u"no-wine"_s).toLocal8Bit());
        applyLanguage(Protocol::Language::SimplifiedChinese);
        CompilerRun::Job job;
        QSignalSpy finished(&job, &CompilerRun::Job::finished);
        QVERIFY(!job.start(terminal.path(), terminal.path(), u"Rsi.mq5"_s, 1000));
        QVERIFY(finished.wait());
        const QString problem = finished.constFirst().constFirst().value<CompilerRun::Outcome>().problem;
        applyLanguage(Protocol::Language::English);
        qunsetenv("TAVRIN_WINE");
        QVERIFY2(problem.startsWith(u"无法启动编译器"_s), qPrintable(problem));
    }
};

BREVAN_CORE_TEST_MAIN(TestCatalogues)
#include "tst_catalogues.moc"
