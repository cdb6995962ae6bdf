#include "client/conversation/steprecords.h"

#include "client/conversation/recordfields.h"

#include <QJsonArray>

namespace {

using DeploySteps::Save;
using Outcome = TerminalProcess::Outcome;

constexpr EnumNames::Table<Save::Refusal, 8> kSaveRefusals = {{
    {Save::Refusal::None, QLatin1StringView("none")},
    {Save::Refusal::DataFolderEmpty, QLatin1StringView("data-folder-empty")},
    {Save::Refusal::NoMqlFolder, QLatin1StringView("no-mql-folder")},
    {Save::Refusal::InstallFolderEmpty, QLatin1StringView("install-folder-empty")},
    {Save::Refusal::InstallFolderMissing, QLatin1StringView("install-folder-missing")},
    {Save::Refusal::BadName, QLatin1StringView("bad-name")},
    {Save::Refusal::EarlierNotKept, QLatin1StringView("earlier-not-kept")},
    {Save::Refusal::WriteFailed, QLatin1StringView("write-failed")},
}};

constexpr EnumNames::Table<Save::Replaced, 3> kReplaced = {{
    {Save::Replaced::Nothing, QLatin1StringView("nothing")},
    {Save::Replaced::OwnVersion, QLatin1StringView("own-version")},
    {Save::Replaced::OtherProgram, QLatin1StringView("other-program")},
}};

constexpr EnumNames::Table<BacktestRun::Result::Refusal, 6> kBacktestRefusals = {{
    {BacktestRun::Result::Refusal::None, QLatin1StringView("none")},
    {BacktestRun::Result::Refusal::NoTerminal, QLatin1StringView("no-terminal")},
    {BacktestRun::Result::Refusal::NoExpert, QLatin1StringView("no-expert")},
    {BacktestRun::Result::Refusal::AlreadyRunning, QLatin1StringView("already-running")},
    {BacktestRun::Result::Refusal::CannotWriteFiles, QLatin1StringView("cannot-write-files")},
    {BacktestRun::Result::Refusal::NotStarted, QLatin1StringView("not-started")},
}};

constexpr EnumNames::Table<Outcome::Ending, 4> kEndings = {{
    {Outcome::Ending::Exited, QLatin1StringView("exited")},
    {Outcome::Ending::Stopped, QLatin1StringView("stopped")},
    {Outcome::Ending::TimedOut, QLatin1StringView("timed-out")},
    {Outcome::Ending::NotStarted, QLatin1StringView("not-started")},
}};

constexpr EnumNames::Table<Outcome::StartProblem, 6> kStartProblems = {{
    {Outcome::StartProblem::None, QLatin1StringView("none")},
    {Outcome::StartProblem::NoProgram, QLatin1StringView("no-program")},
    {Outcome::StartProblem::WineMissing, QLatin1StringView("wine-missing")},
    {Outcome::StartProblem::Wine32Missing, QLatin1StringView("wine32-missing")},
    {Outcome::StartProblem::UnpassableCharacter, QLatin1StringView("unpassable-character")},
    {Outcome::StartProblem::StartFailed, QLatin1StringView("start-failed")},
}};

constexpr EnumNames::Table<BacktestRun::JournalError::Kind, 3> kJournalKinds = {{
    {BacktestRun::JournalError::Kind::NoHistory, QLatin1StringView("no-history")},
    {BacktestRun::JournalError::Kind::OnInitFailed, QLatin1StringView("on-init-failed")},
    {BacktestRun::JournalError::Kind::Other, QLatin1StringView("other")},
}};

template <typename Enum, std::size_t N>
std::optional<Enum> valueAt(const EnumNames::Table<Enum, N> &names, const QJsonObject &json, QLatin1StringView key)
{
    return EnumNames::valueNamed(names, json.value(key).toString());
}

QString textAt(const QJsonObject &json, QLatin1StringView key)
{
    return json.value(key).toString();
}

using RecordFields::arrayOf;
using RecordFields::putText;

// False flags are left out: most steps have few of them.
void putFlag(QJsonObject &json, QLatin1StringView key, bool flag)
{
    if (flag)
        json.insert(key, true);
}

QJsonObject withProgram(int program)
{
    return {{QLatin1StringView("program"), program}};
}

std::optional<int> programOf(const QJsonObject &json)
{
    const QJsonValue program = json.value(QLatin1StringView("program"));
    return program.isDouble() ? std::optional<int>(program.toInt()) : std::nullopt;
}

// nullopt when any item is unreadable.
template <typename T, typename Convert>
std::optional<QList<T>> listAt(const QJsonObject &json, QLatin1StringView key, Convert convert)
{
    QList<T> items;
    for (const QJsonValue &value : json.value(key).toArray()) {
        const std::optional<T> item = convert(value.toObject());
        if (!item)
            return std::nullopt;
        items.append(*item);
    }
    return items;
}

QJsonObject riskToJson(const RiskWarnings::Warning &risk)
{
    QJsonObject json{{QLatin1StringView("rule"), risk.rule}, {QLatin1StringView("line"), risk.line}};
    putText(json, QLatin1StringView("subject"), risk.subject);
    return json;
}

std::optional<RiskWarnings::Warning> riskFromJson(const QJsonObject &json)
{
    RiskWarnings::Warning risk;
    risk.rule = textAt(json, QLatin1StringView("rule"));
    if (risk.rule.isEmpty())
        return std::nullopt;
    risk.line = json.value(QLatin1StringView("line")).toInt();
    risk.subject = textAt(json, QLatin1StringView("subject"));
    risk.message = RiskWarnings::wording(risk.rule, risk.subject);
    return risk;
}

QJsonObject outcomeToJson(const Outcome &outcome)
{
    QJsonObject json{{QLatin1StringView("ending"), EnumNames::nameOf(kEndings, outcome.ending)},
                     {QLatin1StringView("exit_code"), outcome.exitCode},
                     {QLatin1StringView("problem"), EnumNames::nameOf(kStartProblems, outcome.problem)}};
    putText(json, QLatin1StringView("wine_requested"), outcome.wineRequested);
    putText(json, QLatin1StringView("unpassable_text"), outcome.unpassableText);
    putText(json, QLatin1StringView("unpassable_character"), outcome.unpassableCharacter);
    return json;
}

std::optional<Outcome> outcomeFromJson(const QJsonObject &json)
{
    const std::optional<Outcome::Ending> ending = valueAt(kEndings, json, QLatin1StringView("ending"));
    const std::optional<Outcome::StartProblem> problem = valueAt(kStartProblems, json, QLatin1StringView("problem"));
    if (!ending || !problem)
        return std::nullopt;
    Outcome outcome;
    outcome.ending = *ending;
    outcome.exitCode = json.value(QLatin1StringView("exit_code")).toInt(-1);
    outcome.problem = *problem;
    outcome.wineRequested = textAt(json, QLatin1StringView("wine_requested"));
    outcome.unpassableText = textAt(json, QLatin1StringView("unpassable_text"));
    outcome.unpassableCharacter = textAt(json, QLatin1StringView("unpassable_character"));
    return outcome;
}

QJsonObject journalErrorToJson(const BacktestRun::JournalError &error)
{
    QJsonObject json{{QLatin1StringView("kind"), EnumNames::nameOf(kJournalKinds, error.kind)}};
    putText(json, QLatin1StringView("text"), error.text);
    return json;
}

std::optional<BacktestRun::JournalError> journalErrorFromJson(const QJsonObject &json)
{
    const std::optional<BacktestRun::JournalError::Kind> kind = valueAt(kJournalKinds, json, QLatin1StringView("kind"));
    if (!kind)
        return std::nullopt;
    return BacktestRun::JournalError{*kind, textAt(json, QLatin1StringView("text"))};
}

} // namespace

namespace StepRecords {

QJsonObject toJson(const DeploySteps::Save &save)
{
    QJsonObject json = withProgram(save.program);
    json.insert(QLatin1StringView("platform"), Protocol::wireName(save.platform));
    json.insert(QLatin1StringView("refusal"), EnumNames::nameOf(kSaveRefusals, save.refusal));
    json.insert(QLatin1StringView("replaced"), EnumNames::nameOf(kReplaced, save.replaced));
    putText(json, QLatin1StringView("folder"), save.folder);
    putText(json, QLatin1StringView("path"), save.path);
    putText(json, QLatin1StringView("detail"), save.detail);
    putText(json, QLatin1StringView("kept_at"), save.keptAt);
    return json;
}

std::optional<DeploySteps::Save> saveFromJson(const QJsonObject &json)
{
    const std::optional<int> program = programOf(json);
    const std::optional<Protocol::Platform> platform =
        Protocol::platformNamed(textAt(json, QLatin1StringView("platform")));
    const std::optional<Save::Refusal> refusal = valueAt(kSaveRefusals, json, QLatin1StringView("refusal"));
    const std::optional<Save::Replaced> replaced = valueAt(kReplaced, json, QLatin1StringView("replaced"));
    if (!program || !platform || !refusal || !replaced)
        return std::nullopt;
    Save save;
    save.program = *program;
    save.platform = *platform;
    save.refusal = *refusal;
    save.folder = textAt(json, QLatin1StringView("folder"));
    save.path = textAt(json, QLatin1StringView("path"));
    save.detail = textAt(json, QLatin1StringView("detail"));
    save.replaced = *replaced;
    save.keptAt = textAt(json, QLatin1StringView("kept_at"));
    return save;
}

QJsonObject toJson(const DeploySteps::Review &review)
{
    QJsonObject json = withProgram(review.program);
    json.insert(QLatin1StringView("risks"), arrayOf(review.risks, riskToJson));
    return json;
}

std::optional<DeploySteps::Review> reviewFromJson(const QJsonObject &json)
{
    const std::optional<int> program = programOf(json);
    const std::optional<QList<RiskWarnings::Warning>> risks =
        listAt<RiskWarnings::Warning>(json, QLatin1StringView("risks"), riskFromJson);
    if (!program || !risks)
        return std::nullopt;
    return DeploySteps::Review{*program, *risks};
}

QJsonObject toJson(const DeploySteps::Compile &compile)
{
    QJsonObject json = withProgram(compile.program);
    json.insert(QLatin1StringView("type"), Protocol::wireName(compile.type));
    json.insert(QLatin1StringView("elapsed_ms"), compile.elapsedMs);
    putFlag(json, QLatin1StringView("stopped"), compile.stopped);
    putFlag(json, QLatin1StringView("started"), compile.started);
    putText(json, QLatin1StringView("problem"), compile.problem);
    putFlag(json, QLatin1StringView("has_log"), compile.hasLog);
    putText(json, QLatin1StringView("log"), compile.log);
    putFlag(json, QLatin1StringView("reports_errors"), compile.reportsErrors);
    return json;
}

std::optional<DeploySteps::Compile> compileFromJson(const QJsonObject &json)
{
    const std::optional<int> program = programOf(json);
    const std::optional<Protocol::ProgramType> type =
        Protocol::programTypeNamed(textAt(json, QLatin1StringView("type")));
    if (!program || !type)
        return std::nullopt;
    DeploySteps::Compile compile;
    compile.program = *program;
    compile.type = *type;
    compile.elapsedMs = json.value(QLatin1StringView("elapsed_ms")).toInteger();
    compile.stopped = json.value(QLatin1StringView("stopped")).toBool();
    compile.started = json.value(QLatin1StringView("started")).toBool();
    compile.problem = textAt(json, QLatin1StringView("problem"));
    compile.hasLog = json.value(QLatin1StringView("has_log")).toBool();
    compile.log = textAt(json, QLatin1StringView("log"));
    compile.reportsErrors = json.value(QLatin1StringView("reports_errors")).toBool();
    return compile;
}

QJsonObject toJson(const DeploySteps::Restore &restore)
{
    QJsonObject json = withProgram(restore.program);
    putText(json, QLatin1StringView("path"), restore.path);
    putText(json, QLatin1StringView("error"), restore.error);
    return json;
}

std::optional<DeploySteps::Restore> restoreFromJson(const QJsonObject &json)
{
    const std::optional<int> program = programOf(json);
    if (!program)
        return std::nullopt;
    return DeploySteps::Restore{*program, textAt(json, QLatin1StringView("path")),
                                textAt(json, QLatin1StringView("error"))};
}

QJsonObject toJson(const BacktestRun::Result &result)
{
    QJsonObject json{{QLatin1StringView("refusal"), EnumNames::nameOf(kBacktestRefusals, result.refusal)},
                     {QLatin1StringView("process"), outcomeToJson(result.process)}};
    putText(json, QLatin1StringView("report_path"), result.reportPath);
    putFlag(json, QLatin1StringView("report_written"), result.reportWritten);
    if (result.report)
        json.insert(QLatin1StringView("report"), testerReportRecord(*result.report));
    putText(json, QLatin1StringView("report_problem"), result.reportProblem);
    if (!result.journal.isEmpty())
        json.insert(QLatin1StringView("journal"), arrayOf(result.journal, journalErrorToJson));
    putFlag(json, QLatin1StringView("journal_written"), result.journalWritten);
    return json;
}

std::optional<BacktestRun::Result> backtestFromJson(const QJsonObject &json)
{
    const std::optional<BacktestRun::Result::Refusal> refusal =
        valueAt(kBacktestRefusals, json, QLatin1StringView("refusal"));
    const std::optional<Outcome> process = outcomeFromJson(json.value(QLatin1StringView("process")).toObject());
    const std::optional<QList<BacktestRun::JournalError>> journal =
        listAt<BacktestRun::JournalError>(json, QLatin1StringView("journal"), journalErrorFromJson);
    const bool hasReport = json.contains(QLatin1StringView("report"));
    std::optional<TesterReport> report = testerReportFromRecord(json.value(QLatin1StringView("report")).toObject());
    if (!refusal || !process || !journal || hasReport != report.has_value())
        return std::nullopt;
    BacktestRun::Result result;
    result.refusal = *refusal;
    result.process = *process;
    result.reportPath = textAt(json, QLatin1StringView("report_path"));
    result.reportWritten = json.value(QLatin1StringView("report_written")).toBool();
    result.report = std::move(report);
    result.reportProblem = textAt(json, QLatin1StringView("report_problem"));
    result.journal = *journal;
    result.journalWritten = json.value(QLatin1StringView("journal_written")).toBool();
    return result;
}

} // namespace StepRecords
