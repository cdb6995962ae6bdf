#include "client/conversation/steprecords.h"
#include "support/testenvironment.h"

#include <QJsonArray>

using namespace Qt::StringLiterals;

namespace {

// The record read back and written again.
std::optional<QJsonObject> reread(const QString &step, const QJsonObject &record)
{
    const auto written = [](const auto &value) {
        return value ? std::optional<QJsonObject>(StepRecords::toJson(*value)) : std::nullopt;
    };
    if (step == "save"_L1)
        return written(StepRecords::saveFromJson(record));
    if (step == "review"_L1)
        return written(StepRecords::reviewFromJson(record));
    if (step == "compile"_L1)
        return written(StepRecords::compileFromJson(record));
    if (step == "restore"_L1)
        return written(StepRecords::restoreFromJson(record));
    return written(StepRecords::backtestFromJson(record));
}

DeploySteps::Review twoRisks()
{
    return {3, {{u"no-stop-loss"_s, 12, {}, u"OrderSend"_s}, {u"dll-import"_s, 1, {}, u"user32.dll"_s}}};
}

BacktestRun::Result withReport()
{
    TesterReport report;
    report.platform = Protocol::Platform::Mt5;
    report.expert = u"Tavrin_Cross"_s;
    report.netProfit = 412.5;
    report.totalTrades = 3;
    report.sharpeRatio = 1.25;
    report.balance = {10000, 10120.5, 9980, 10412.5};
    BacktestRun::Result result;
    result.process = {TerminalProcess::Outcome::Ending::Exited, 0, {}, {}, {}, {}, "tester log"};
    result.reportPath = u"C:/Terminal/reports/tavrin-backtest.htm"_s;
    result.reportWritten = result.journalWritten = true;
    result.report = report;
    result.journal = {{BacktestRun::JournalError::Kind::NoHistory, u"EURUSD,H1: history not found"_s}};
    return result;
}

QJsonObject with(QJsonObject record, QLatin1StringView key, const QJsonValue &value)
{
    record.insert(key, value);
    return record;
}

BacktestRun::Result wineMissing()
{
    BacktestRun::Result result;
    result.refusal = BacktestRun::Result::Refusal::NotStarted;
    result.process.problem = TerminalProcess::Outcome::StartProblem::WineMissing;
    result.process.wineRequested = u"/usr/bin/wine64"_s;
    return result;
}

} // namespace

// What the chat file keeps of each step reads back as it was, and a record from a newer or
// damaged file is refused rather than read as something else.
class TestStepRecords final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void records_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<QJsonObject>("record");
        QTest::addColumn<bool>("readable");
        using DeploySteps::Save;
        const QJsonObject refused = StepRecords::toJson(
            Save{2, Protocol::Platform::Mt4, Save::Refusal::NoMqlFolder, u"D:/Data"_s, {}, {}, {}, {}});
        const QJsonObject replacing = StepRecords::toJson(Save{1, Protocol::Platform::Mt5, Save::Refusal::None, {},
            u"D:/Data/MQL5/Experts/A.mq5"_s, {}, Save::Replaced::OtherProgram, u"D:/kept/A.mq5"_s});
        const QJsonObject stopped = StepRecords::toJson(DeploySteps::Compile{
            0, Protocol::ProgramType::ExpertAdvisor, 1500, true, true, u"stopped"_s, false, {}, false});
        const QJsonObject errors = StepRecords::toJson(DeploySteps::Compile{4, Protocol::ProgramType::Indicator, 820,
            false, true, {}, true, u"A.mq4(3,1) : error 149: unexpected token"_s, true});
        const QJsonObject backtest = StepRecords::toJson(withReport());
        const QJsonObject process = backtest.value("process"_L1).toObject();
        QTest::newRow("refused save") << u"save"_s << refused << true;
        QTest::newRow("save replacing another program") << u"save"_s << replacing << true;
        QTest::newRow("review with two risks") << u"review"_s << StepRecords::toJson(twoRisks()) << true;
        QTest::newRow("stopped compile") << u"compile"_s << stopped << true;
        QTest::newRow("compile with errors") << u"compile"_s << errors << true;
        QTest::newRow("failed restore")
            << u"restore"_s << StepRecords::toJson(DeploySteps::Restore{1, u"D:/A.mq5"_s, u"denied"_s}) << true;
        QTest::newRow("backtest with report") << u"backtest"_s << backtest << true;
        QTest::newRow("backtest without Wine") << u"backtest"_s << StepRecords::toJson(wineMissing()) << true;
        QTest::newRow("unknown save refusal") << u"save"_s << with(refused, "refusal"_L1, "disk-full"_L1) << false;
        QTest::newRow("save of no program") << u"save"_s << with(refused, "program"_L1, QJsonValue::Undefined) << false;
        QTest::newRow("unknown program type") << u"compile"_s << with(errors, "type"_L1, "script"_L1) << false;
        QTest::newRow("unknown start problem")
            << u"backtest"_s << with(backtest, "process"_L1, with(process, "problem"_L1, "wine-lost"_L1)) << false;
        QTest::newRow("unknown journal error")
            << u"backtest"_s << with(backtest, "journal"_L1, QJsonArray{QJsonObject{{"kind"_L1, "no-ticks"_L1}}})
            << false;
    }

    void records()
    {
        QFETCH(QString, step);
        QFETCH(QJsonObject, record);
        QFETCH(bool, readable);
        const std::optional<QJsonObject> again = reread(step, record);
        QCOMPARE(again.has_value(), readable);
        if (again)
            QCOMPARE(*again, record);
    }

    void wordedAndRawTextsAreNotKept()
    {
        const auto review = StepRecords::reviewFromJson(StepRecords::toJson(twoRisks()));
        QVERIFY(review);
        QCOMPARE(review->risks.at(1).line, 1);
        QCOMPARE(review->risks.at(1).message, RiskWarnings::wording(u"dll-import"_s, u"user32.dll"_s));
        const auto backtest = StepRecords::backtestFromJson(StepRecords::toJson(withReport()));
        QVERIFY(backtest && backtest->report);
        QCOMPARE(backtest->report->balance, withReport().report->balance);
        QVERIFY(backtest->process.outputTail.isEmpty());
    }
};

BREVAN_CORE_TEST_MAIN(TestStepRecords)
#include "tst_steprecords.moc"
