#include "support/testenvironment.h"

#include <riskreview.h>

#include <QtTest>

// Each corpus program starts with "// expect: rule:line ..." or "// expect: none"; the review
// must find exactly that, no more: a near miss that is flagged fails as surely as a miss.
class TestRiskReview final : public QObject
{
    Q_OBJECT

    static QStringList expectations(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {"unreadable"};
        QStringList expected = QString::fromUtf8(file.readLine()).simplified().split(' ').mid(2);
        expected.removeAll("none");
        return expected;
    }

private slots:
    void corpus_data()
    {
        QTest::addColumn<QString>("path");
        const QDir folder(RISK_CORPUS);
        for (const QFileInfo &file : folder.entryInfoList({"*.mq4", "*.mq5"}, QDir::Files, QDir::Name))
            QTest::newRow(qPrintable(file.fileName())) << file.filePath();
    }

    void corpus()
    {
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray source = file.readAll();
        const auto language = path.endsWith(".mq4") ? mqlcheck::Language::Mql4 : mqlcheck::Language::Mql5;
        QStringList found;
        for (const mqlcheck::RiskFinding &finding : mqlcheck::reviewRisks(source.toStdString(), language)) {
            found << QString::fromStdString(finding.rule) + ':' + QString::number(finding.line);
            QVERIFY(finding.explanation.find(finding.subject) != std::string::npos);
        }
        QStringList expected = expectations(path);
        found.sort();
        expected.sort();
        QCOMPARE(found, expected);
    }

    // Every rule has three programs that must trigger it.
    void corpusCoversEveryRule()
    {
        QHash<QString, int> positives;
        const QDir folder(RISK_CORPUS);
        for (const QFileInfo &file : folder.entryInfoList({"*.mq4", "*.mq5"}, QDir::Files)) {
            QSet<QString> rules;
            for (const QString &expected : expectations(file.filePath()))
                rules.insert(expected.section(':', 0, 0));
            for (const QString &rule : rules)
                ++positives[rule];
        }
        for (const std::string_view rule : mqlcheck::risk::rules) {
            const QString name = QString::fromLatin1(rule.data(), qsizetype(rule.size()));
            QVERIFY2(positives.value(name) >= 3, qPrintable(name));
            QVERIFY(!mqlcheck::riskExplanationFormat(rule).empty());
        }
    }
};

BREVAN_CORE_TEST_MAIN(TestRiskReview)
#include "tst_riskreview.moc"
