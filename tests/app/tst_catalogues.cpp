#include "support/testenvironment.h"

#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QXmlStreamReader>

// Every text the sources and the form hand to translation must have its entry in both
// catalogues, and no catalogue may keep an entry nothing uses any more.
class TestCatalogues final : public QObject
{
    Q_OBJECT

private:
    struct Message
    {
        QString context;
        QString source;
        QString translation;
        bool finished = true;
    };

    static QList<Message> readCatalogue(const QString &path)
    {
        QList<Message> messages;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return messages;
        QXmlStreamReader xml(&file);
        QString context;
        Message current;
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement())
                continue;
            if (xml.name() == QLatin1String("name")) {
                context = xml.readElementText();
            } else if (xml.name() == QLatin1String("source")) {
                current = {context, xml.readElementText(), {}, true};
            } else if (xml.name() == QLatin1String("translation")) {
                current.finished = xml.attributes().value(QLatin1String("type")).isEmpty();
                current.translation = xml.readElementText();
                messages.append(current);
            }
        }
        return messages;
    }

    static QSet<QString> keys(const QList<Message> &messages)
    {
        QSet<QString> result;
        for (const Message &message : messages)
            result.insert(message.context + QLatin1Char('|') + message.source);
        return result;
    }

    // Texts that go through translation but read the same in every language.
    static QSet<QString> deliberatelyUntranslated()
    {
        return {QStringLiteral("BrevanQt|TavrinAI Code Generator"), QStringLiteral("BrevanQtClass|TavrinAI"),
                QStringLiteral("BrevanQtClass|MT4"), QStringLiteral("BrevanQtClass|MT5"),
                QStringLiteral("BrevanQtClass|...")};
    }

    QSet<QString> m_used;

private Q_SLOTS:
    void initTestCase()
    {
        QTemporaryDir scratch;
        QVERIFY(scratch.isValid());
        const QString extracted = scratch.filePath(QStringLiteral("extracted.ts"));
        const QString root = QStringLiteral(SOURCE_ROOT);
        QProcess lupdate;
        lupdate.start(QStringLiteral(LUPDATE_PATH),
                      {root + QStringLiteral("/app"), root + QStringLiteral("/ui"),
                       root + QStringLiteral("/widgets"), root + QStringLiteral("/service"),
                       root + QStringLiteral("/platform"), QStringLiteral("-locations"),
                       QStringLiteral("none"), QStringLiteral("-ts"), extracted});
        QVERIFY(lupdate.waitForFinished(60000));
        QVERIFY2(lupdate.exitCode() == 0, lupdate.readAllStandardError().constData());
        m_used = keys(readCatalogue(extracted));
        QVERIFY(m_used.contains(QStringLiteral("BrevanQtClass|New Chat")));
        QVERIFY(m_used.contains(QStringLiteral("BrevanQt|Request failed: %1")));
    }

    void catalogueMatchesTheSources_data()
    {
        QTest::addColumn<QString>("catalogue");
        QTest::newRow("simplified") << QStringLiteral("brevan_zh_CN.ts");
        QTest::newRow("traditional") << QStringLiteral("brevan_zh_TW.ts");
    }

    void catalogueMatchesTheSources()
    {
        QFETCH(QString, catalogue);
        const QList<Message> messages =
            readCatalogue(QStringLiteral(SOURCE_ROOT "/translations/") + catalogue);
        QVERIFY(!messages.isEmpty());

        const QSet<QString> held = keys(messages);
        const QSet<QString> needed = m_used - deliberatelyUntranslated();
        const QSet<QString> missing = needed - held;
        const QSet<QString> stale = held - needed;
        QVERIFY2(missing.isEmpty(), qPrintable(QStringList(missing.values()).join(QLatin1String(", "))));
        QVERIFY2(stale.isEmpty(), qPrintable(QStringList(stale.values()).join(QLatin1String(", "))));
        QCOMPARE(held.size(), messages.size());

        for (const Message &message : messages) {
            QVERIFY2(message.finished && !message.translation.isEmpty(), qPrintable(message.source));
            // A lost placeholder would drop the file path or the error from the message.
            for (const QString &marker : {QStringLiteral("%1"), QStringLiteral("%2"), QStringLiteral("\n")})
                QVERIFY2(message.source.contains(marker) == message.translation.contains(marker),
                         qPrintable(message.source));
        }
    }
};

BREVAN_CORE_TEST_MAIN(TestCatalogues)
#include "tst_catalogues.moc"
