#include "client/archive/storedchat.h"

#include "client/conversation/chatpresenter.h"
#include "client/conversation/chatsession.h"
#include "client/conversation/recordfields.h"
#include "client/conversation/steprecords.h"

#include <QJsonArray>
#include <QUuid>

namespace {

// The file's spellings of the enums; the first of each pair is what a missing value reads as.
constexpr EnumNames::Table<ChatEntry::Kind, 5> kKinds = {{
    {ChatEntry::Kind::Service, QLatin1StringView("service")},
    {ChatEntry::Kind::User, QLatin1StringView("user")},
    {ChatEntry::Kind::Program, QLatin1StringView("program")},
    {ChatEntry::Kind::Warning, QLatin1StringView("warning")},
    {ChatEntry::Kind::Backtest, QLatin1StringView("backtest")},
}};

constexpr EnumNames::Table<ProgramVersion::Verdict, 4> kVerdicts = {{
    {ProgramVersion::Verdict::NotCompiled, QLatin1StringView("not-compiled")},
    {ProgramVersion::Verdict::Compiled, QLatin1StringView("compiled")},
    {ProgramVersion::Verdict::Errors, QLatin1StringView("errors")},
    {ProgramVersion::Verdict::Failed, QLatin1StringView("failed")},
}};

// What the file says, or the table's first value for a missing or unknown name.
template <typename Enum, std::size_t N>
Enum readNamed(const EnumNames::Table<Enum, N> &names, const QJsonValue &name)
{
    return EnumNames::valueNamed(names, name.toString()).value_or(names.front().first);
}

constexpr EnumNames::Table<ChatEvent::Type, 9> kEventTypes = {{
    {ChatEvent::Type::Notice, QLatin1StringView("notice")},
    {ChatEvent::Type::Shown, QLatin1StringView("shown")},
    {ChatEvent::Type::Request, QLatin1StringView("request")},
    {ChatEvent::Type::Wait, QLatin1StringView("wait")},
    {ChatEvent::Type::Answer, QLatin1StringView("answer")},
    {ChatEvent::Type::Opened, QLatin1StringView("opened")},
    {ChatEvent::Type::Session, QLatin1StringView("session")},
    {ChatEvent::Type::Step, QLatin1StringView("step")},
    {ChatEvent::Type::VersionChosen, QLatin1StringView("version-chosen")},
}};

constexpr EnumNames::Table<ChatEvent::Waiting, 3> kWaitings = {{
    {ChatEvent::Waiting::Answer, QLatin1StringView("answer")},
    {ChatEvent::Waiting::Compile, QLatin1StringView("compile")},
    {ChatEvent::Waiting::Backtest, QLatin1StringView("backtest")},
}};

constexpr EnumNames::Table<ChatEvent::Ending, 7> kEndings = {{
    {ChatEvent::Ending::Unfinished, QLatin1StringView("unfinished")},
    {ChatEvent::Ending::Running, QLatin1StringView("running")},
    {ChatEvent::Ending::Answered, QLatin1StringView("answered")},
    {ChatEvent::Ending::Stopped, QLatin1StringView("stopped")},
    {ChatEvent::Ending::Refused, QLatin1StringView("refused")},
    {ChatEvent::Ending::Failed, QLatin1StringView("failed")},
    {ChatEvent::Ending::Finished, QLatin1StringView("finished")},
}};

constexpr EnumNames::Table<ChatEvent::SessionReason, 5> kReasons = {{
    {ChatEvent::SessionReason::New, QLatin1StringView("new")},
    {ChatEvent::SessionReason::Replacing, QLatin1StringView("replacing")},
    {ChatEvent::SessionReason::Forgotten, QLatin1StringView("forgotten")},
    {ChatEvent::SessionReason::ForgottenSeeded, QLatin1StringView("forgotten-seeded")},
    {ChatEvent::SessionReason::ForgottenUntold, QLatin1StringView("forgotten-untold")},
}};


QJsonValue timeToJson(const QDateTime &time)
{
    return time.isValid() ? QJsonValue(time.toUTC().toString(Qt::ISODateWithMs)) : QJsonValue();
}

QDateTime timeFromJson(const QJsonValue &value)
{
    return QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
}

using RecordFields::arrayOf;
using RecordFields::putText;

template <typename T, typename Convert>
QList<T> listOf(const QJsonValue &array, Convert convert)
{
    QList<T> items;
    const QJsonArray values = array.toArray();
    items.reserve(values.size());
    for (const QJsonValue &value : values)
        items.append(convert(value.toObject()));
    return items;
}

QJsonObject linkToJson(const ChatEntry::Link &link)
{
    return {{QLatin1StringView("text"), link.text}, {QLatin1StringView("href"), link.href}};
}

ChatEntry::Link linkFromJson(const QJsonObject &json)
{
    return {json.value(QLatin1StringView("text")).toString(), json.value(QLatin1StringView("href")).toString()};
}

// A program in the transcript is most often one of the chat's versions: its code is then kept
// once, with the versions, and the entry says which ([program, version]).
using VersionPlaces = QHash<QString, QJsonArray>;

VersionPlaces versionPlaces(const QList<StoredProgram> &programs)
{
    VersionPlaces places;
    for (qsizetype program = 0; program < programs.size(); ++program) {
        const QList<ProgramVersion> &versions = programs.at(program).versions;
        for (qsizetype version = 0; version < versions.size(); ++version)
            places.insert(versions.at(version).source, QJsonArray{program, version});
    }
    return places;
}

QString versionSource(const QList<StoredProgram> &programs, const QJsonArray &place)
{
    const qsizetype program = place.at(0).toInteger(-1);
    const qsizetype version = place.at(1).toInteger(-1);
    if (program < 0 || program >= programs.size() || version < 0 || version >= programs.at(program).versions.size())
        return {};
    return programs.at(program).versions.at(version).source;
}

QJsonObject entryToJson(const ChatEntry &entry, const VersionPlaces &versions)
{
    QJsonObject json{{QLatin1StringView("kind"), EnumNames::nameOf(kKinds, entry.kind)}};
    putText(json, QLatin1StringView("text"), entry.text);
    const auto version = entry.code.isEmpty() ? versions.cend() : versions.constFind(entry.code);
    if (version != versions.cend())
        json.insert(QLatin1StringView("code_of"), *version);
    else
        putText(json, QLatin1StringView("code"), entry.code);
    if (!entry.textLinks.isEmpty())
        json.insert(QLatin1StringView("text_links"), arrayOf(entry.textLinks, linkToJson));
    if (!entry.links.isEmpty())
        json.insert(QLatin1StringView("links"), arrayOf(entry.links, linkToJson));
    if (!entry.curve.isEmpty()) {
        QJsonArray curve;
        for (const double balance : entry.curve)
            curve.append(balance);
        json.insert(QLatin1StringView("curve"), curve);
    }
    if (entry.demo)
        json.insert(QLatin1StringView("demo"), true);
    return json;
}

ChatEntry entryFromJson(const QJsonObject &json, const QList<StoredProgram> &programs)
{
    ChatEntry entry;
    entry.kind = readNamed(kKinds, json.value(QLatin1StringView("kind")));
    entry.text = json.value(QLatin1StringView("text")).toString();
    const QJsonValue version = json.value(QLatin1StringView("code_of"));
    entry.code = version.isArray() ? versionSource(programs, version.toArray())
                                   : json.value(QLatin1StringView("code")).toString();
    entry.textLinks = listOf<ChatEntry::Link>(json.value(QLatin1StringView("text_links")), linkFromJson);
    entry.links = listOf<ChatEntry::Link>(json.value(QLatin1StringView("links")), linkFromJson);
    for (const QJsonValue &balance : json.value(QLatin1StringView("curve")).toArray())
        entry.curve.append(balance.toDouble());
    entry.demo = json.value(QLatin1StringView("demo")).toBool();
    return entry;
}

QJsonObject riskToJson(const ProgramVersion::Risk &risk)
{
    return {{QLatin1StringView("rule"), risk.rule}, {QLatin1StringView("line"), risk.line}};
}

ProgramVersion::Risk riskFromJson(const QJsonObject &json)
{
    return {json.value(QLatin1StringView("rule")).toString(), json.value(QLatin1StringView("line")).toInt()};
}

QJsonObject versionToJson(const ProgramVersion &version)
{
    QJsonObject json{{QLatin1StringView("source"), version.source},
                     {QLatin1StringView("time"), timeToJson(version.time)},
                     {QLatin1StringView("verdict"), EnumNames::nameOf(kVerdicts, version.verdict)},
                     {QLatin1StringView("number"), version.number}};
    putText(json, QLatin1StringView("file_path"), version.filePath);
    putText(json, QLatin1StringView("replaced_kept_at"), version.replacedKeptAt);
    putText(json, QLatin1StringView("request"), version.request);
    if (!version.errors.isEmpty())
        json.insert(QLatin1StringView("errors"), QJsonArray::fromStringList(version.errors));
    if (!version.risks.isEmpty())
        json.insert(QLatin1StringView("risks"), arrayOf(version.risks, riskToJson));
    if (version.backtest)
        json.insert(QLatin1StringView("backtest"), testerReportRecord(*version.backtest));
    return json;
}

ProgramVersion versionFromJson(const QJsonObject &json)
{
    ProgramVersion version;
    version.source = json.value(QLatin1StringView("source")).toString();
    version.filePath = json.value(QLatin1StringView("file_path")).toString();
    version.replacedKeptAt = json.value(QLatin1StringView("replaced_kept_at")).toString();
    version.time = timeFromJson(json.value(QLatin1StringView("time")));
    version.request = json.value(QLatin1StringView("request")).toString();
    version.verdict = readNamed(kVerdicts, json.value(QLatin1StringView("verdict")));
    for (const QJsonValue &error : json.value(QLatin1StringView("errors")).toArray())
        version.errors.append(error.toString());
    version.risks = listOf<ProgramVersion::Risk>(json.value(QLatin1StringView("risks")), riskFromJson);
    version.number = json.value(QLatin1StringView("number")).toInt(-1);
    version.backtest = testerReportFromRecord(json.value(QLatin1StringView("backtest")).toObject());
    return version;
}

QJsonObject programToJson(const StoredProgram &program)
{
    return {{QLatin1StringView("name"), program.name},
            {QLatin1StringView("versions"), arrayOf(program.versions, versionToJson)}};
}

StoredProgram programFromJson(const QJsonObject &json)
{
    return {json.value(QLatin1StringView("name")).toString(),
            listOf<ProgramVersion>(json.value(QLatin1StringView("versions")), versionFromJson)};
}

// Each step's result under its own name, in "result".
QJsonObject stepToJson(const ChatEvent::StepResult &step)
{
    const auto named = [](QLatin1StringView name, const QJsonObject &result) {
        return QJsonObject{{QLatin1StringView("step"), name}, {QLatin1StringView("result"), result}};
    };
    if (const auto *save = std::get_if<DeploySteps::Save>(&step))
        return named(QLatin1StringView("save"), StepRecords::toJson(*save));
    if (const auto *review = std::get_if<DeploySteps::Review>(&step))
        return named(QLatin1StringView("review"), StepRecords::toJson(*review));
    if (const auto *compile = std::get_if<DeploySteps::Compile>(&step))
        return named(QLatin1StringView("compile"), StepRecords::toJson(*compile));
    if (const auto *restore = std::get_if<DeploySteps::Restore>(&step))
        return named(QLatin1StringView("restore"), StepRecords::toJson(*restore));
    if (const auto *tested = std::get_if<BacktestRun::Result>(&step))
        return named(QLatin1StringView("backtest"), StepRecords::toJson(*tested));
    return {};
}

template <typename T>
ChatEvent::StepResult stepOf(const std::optional<T> &result)
{
    return result ? ChatEvent::StepResult(*result) : ChatEvent::StepResult();
}

ChatEvent::StepResult stepFromJson(const QJsonObject &json)
{
    const QString step = json.value(QLatin1StringView("step")).toString();
    const QJsonObject result = json.value(QLatin1StringView("result")).toObject();
    if (step == QLatin1StringView("save"))
        return stepOf(StepRecords::saveFromJson(result));
    if (step == QLatin1StringView("review"))
        return stepOf(StepRecords::reviewFromJson(result));
    if (step == QLatin1StringView("compile"))
        return stepOf(StepRecords::compileFromJson(result));
    if (step == QLatin1StringView("restore"))
        return stepOf(StepRecords::restoreFromJson(result));
    if (step == QLatin1StringView("backtest"))
        return stepOf(StepRecords::backtestFromJson(result));
    return {};
}

void putNumber(QJsonObject &json, QLatin1StringView key, qint64 number)
{
    if (number >= 0)
        json.insert(key, number);
}

QJsonObject eventToJson(const ChatEvent &event, const VersionPlaces &versions)
{
    using Type = ChatEvent::Type;
    QJsonObject json = event.type == Type::Shown ? entryToJson(event.shown, versions)
        : event.type == Type::Step               ? stepToJson(event.step)
                                                 : QJsonObject();
    json.insert(QLatin1StringView("type"), EnumNames::nameOf(kEventTypes, event.type));
    putText(json, QLatin1StringView("text"), event.text);
    if (!event.args.isEmpty())
        json.insert(QLatin1StringView("args"), QJsonArray::fromStringList(event.args));
    putNumber(json, QLatin1StringView("program"), event.program);
    putNumber(json, QLatin1StringView("based_on"), event.basedOn);
    putNumber(json, QLatin1StringView("replaces"), event.replaces);
    putText(json, QLatin1StringView("name"), event.name);
    switch (event.type) {
    case Type::Wait:
        json.insert(QLatin1StringView("waiting"), EnumNames::nameOf(kWaitings, event.waiting));
        json.insert(QLatin1StringView("ending"), EnumNames::nameOf(kEndings, event.ending));
        json.insert(QLatin1StringView("elapsed_ms"), event.elapsedMs);
        break;
    case Type::Opened:
        json.insert(QLatin1StringView("path"), event.path);
        if (event.offline)
            json.insert(QLatin1StringView("offline"), true);
        break;
    case Type::Session:
        json.insert(QLatin1StringView("platform"), Protocol::wireName(event.platform));
        json.insert(QLatin1StringView("program_type"), Protocol::wireName(event.programType));
        json.insert(QLatin1StringView("reason"), EnumNames::nameOf(kReasons, event.reason));
        break;
    case Type::VersionChosen:
        json.insert(QLatin1StringView("time"), timeToJson(event.time));
        break;
    case Type::Shown:
    case Type::Notice:
    case Type::Request:
    case Type::Answer:
    case Type::Step:
        break;
    }
    return json;
}

// An event of a kind this version does not know is shown as a notice of its text; a step of
// an unknown kind, which has none, is left out. A session of an unknown platform keeps the rest.
std::optional<ChatEvent> eventFromJson(const QJsonObject &json, const QList<StoredProgram> &programs)
{
    ChatEvent event;
    event.type = readNamed(kEventTypes, json.value(QLatin1StringView("type")));
    event.text = json.value(QLatin1StringView("text")).toString();
    for (const QJsonValue &arg : json.value(QLatin1StringView("args")).toArray())
        event.args.append(arg.toString());
    event.program = json.value(QLatin1StringView("program")).toInt(-1);
    event.basedOn = json.value(QLatin1StringView("based_on")).toInt(-1);
    event.replaces = json.value(QLatin1StringView("replaces")).toInt(-1);
    event.waiting = readNamed(kWaitings, json.value(QLatin1StringView("waiting")));
    event.ending = readNamed(kEndings, json.value(QLatin1StringView("ending")));
    event.elapsedMs = json.value(QLatin1StringView("elapsed_ms")).toInteger();
    event.name = json.value(QLatin1StringView("name")).toString();
    event.path = json.value(QLatin1StringView("path")).toString();
    event.offline = json.value(QLatin1StringView("offline")).toBool();
    event.reason = readNamed(kReasons, json.value(QLatin1StringView("reason")));
    event.time = timeFromJson(json.value(QLatin1StringView("time")));
    if (event.type == ChatEvent::Type::Shown)
        event.shown = entryFromJson(json, programs);
    if (event.type == ChatEvent::Type::Step) {
        event.step = stepFromJson(json);
        if (std::holds_alternative<std::monostate>(event.step))
            return std::nullopt;
    }
    if (event.type == ChatEvent::Type::Session) {
        const auto platform = Protocol::platformNamed(json.value(QLatin1StringView("platform")).toString());
        const auto type = Protocol::programTypeNamed(json.value(QLatin1StringView("program_type")).toString());
        event.platform = platform.value_or(event.platform);
        event.programType = type.value_or(event.programType);
    }
    return event;
}

QList<ChatEvent> knownEvents(const QJsonArray &events, const QList<StoredProgram> &programs)
{
    QList<ChatEvent> known;
    known.reserve(events.size());
    for (const QJsonValue &event : events) {
        if (std::optional<ChatEvent> read = eventFromJson(event.toObject(), programs))
            known.append(std::move(*read));
    }
    return known;
}

// A chat kept before its events were: its requests and the answers with a program of its own
// become events again, everything else is shown as it was kept. Its turns say what each
// request was based on and which took another's place.
QList<ChatEvent> eventsOf(const QJsonValue &entries, const QJsonValue &turns, const QList<StoredProgram> &programs)
{
    QHash<QString, int> numbers;
    for (const StoredProgram &program : programs) {
        for (const ProgramVersion &version : program.versions)
            numbers.insert(version.source, version.number);
    }
    const QJsonArray kept = turns.toArray();
    QList<ChatEvent> events;
    int turn = -1;
    int current = -1;
    for (const QJsonValue &value : entries.toArray()) {
        const ChatEntry entry = entryFromJson(value.toObject(), programs);
        ChatEvent event;
        event.type = ChatEvent::Type::Shown;
        event.shown = entry;
        const int number = entry.kind == ChatEntry::Kind::Program ? numbers.value(entry.code, -1) : -1;
        if (entry.kind == ChatEntry::Kind::User) {
            const QJsonObject record = kept.at(++turn).toObject();
            event.type = ChatEvent::Type::Request;
            event.text = entry.text;
            event.basedOn = record.value(QLatin1StringView("based_on")).toInt(current);
            if (turn > 0 && kept.at(turn - 1).toObject().value(QLatin1StringView("replaced")).toBool())
                event.replaces = turn - 1;
        } else if (number >= 0 && entry.textLinks.isEmpty()) { // an opened program links its file

            event.type = ChatEvent::Type::Answer;
            event.text = entry.text;
            event.program = number;
            current = number;
        }
        events.append(event);
    }
    return events;
}

} // namespace

namespace StoredChats {

QString newId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

QString titleFor(const QString &request)
{
    constexpr int kLength = 60;
    const QString line = request.trimmed().section(QLatin1Char('\n'), 0, 0).simplified();
    if (line.size() <= kLength)
        return line;
    // Cut at the last blank before the limit, unless that leaves too little (Chinese has none).
    qsizetype cut = line.lastIndexOf(QLatin1Char(' '), kLength);
    if (cut < kLength / 2)
        cut = kLength;
    return line.left(cut) + QChar(0x2026);
}

ChatSummary summaryOf(const StoredChat &chat)
{
    return {chat, false};
}

QJsonObject toJson(const StoredChat &chat)
{
    QJsonObject json = summaryToJson(summaryOf(chat));
    json.insert(QLatin1StringView("format"), 2);
    const VersionPlaces versions = versionPlaces(chat.programs);
    json.insert(QLatin1StringView("events"),
                arrayOf(chat.events, [&versions](const ChatEvent &event) { return eventToJson(event, versions); }));
    json.insert(QLatin1StringView("programs"), arrayOf(chat.programs, programToJson));
    json.insert(QLatin1StringView("current_program"), chat.current.program);
    json.insert(QLatin1StringView("current_version"), chat.current.version);
    putText(json, QLatin1StringView("session_id"), chat.sessionId);
    putText(json, QLatin1StringView("draft"), chat.draft);
    putText(json, QLatin1StringView("request_in_flight"), chat.requestInFlight);
    if (chat.backtestChoice)
        json.insert(QLatin1StringView("backtest_choice"), chat.backtestChoice->toJson());
    return json;
}

std::optional<StoredChat> fromJson(const QJsonObject &json)
{
    const std::optional<ChatSummary> summary = summaryFromJson(json);
    const QJsonValue events = json.value(QLatin1StringView("events"));
    const QJsonValue entries = json.value(QLatin1StringView("entries"));
    if (!summary || (!events.isArray() && !entries.isArray()))
        return std::nullopt;
    StoredChat chat;
    static_cast<ChatHeading &>(chat) = *summary;
    chat.programs = listOf<StoredProgram>(json.value(QLatin1StringView("programs")), programFromJson);
    chat.events = events.isArray()
        ? knownEvents(events.toArray(), chat.programs)
        : eventsOf(entries, json.value(QLatin1StringView("turns")), chat.programs);
    chat.current = {json.value(QLatin1StringView("current_program")).toInt(-1),
                    json.value(QLatin1StringView("current_version")).toInt(-1)};
    chat.sessionId = json.value(QLatin1StringView("session_id")).toString();
    chat.draft = json.value(QLatin1StringView("draft")).toString();
    chat.requestInFlight = json.value(QLatin1StringView("request_in_flight")).toString();
    chat.backtestChoice = BacktestChoice::fromJson(json.value(QLatin1StringView("backtest_choice")).toObject());
    return chat;
}

QJsonObject summaryToJson(const ChatSummary &summary)
{
    QJsonObject json{{QLatin1StringView("id"), summary.id},
                     {QLatin1StringView("title"), summary.title},
                     {QLatin1StringView("platform"), Protocol::wireName(summary.platform)},
                     {QLatin1StringView("type"), Protocol::wireName(summary.type)},
                     {QLatin1StringView("program_name"), summary.programName},
                     {QLatin1StringView("created"), timeToJson(summary.created)},
                     {QLatin1StringView("updated"), timeToJson(summary.updated)}};
    if (summary.damaged)
        json.insert(QLatin1StringView("damaged"), true);
    return json;
}

std::optional<ChatSummary> summaryFromJson(const QJsonObject &json)
{
    const std::optional<Protocol::Platform> platform =
        Protocol::platformNamed(json.value(QLatin1StringView("platform")).toString());
    const std::optional<Protocol::ProgramType> type =
        Protocol::programTypeNamed(json.value(QLatin1StringView("type")).toString());
    ChatSummary summary;
    summary.id = json.value(QLatin1StringView("id")).toString();
    summary.updated = timeFromJson(json.value(QLatin1StringView("updated")));
    if (summary.id.isEmpty() || !platform || !type || !summary.updated.isValid())
        return std::nullopt;
    summary.title = json.value(QLatin1StringView("title")).toString();
    summary.platform = *platform;
    summary.type = *type;
    summary.programName = json.value(QLatin1StringView("program_name")).toString();
    summary.created = timeFromJson(json.value(QLatin1StringView("created")));
    summary.damaged = json.value(QLatin1StringView("damaged")).toBool();
    return summary;
}

bool matchesWordStart(const QString &foldedText, const QString &foldedNeedle)
{
    if (foldedNeedle.isEmpty())
        return true;
    // Chinese and Japanese have no word boundaries a search could go by.
    const QChar::Script script = foldedNeedle.front().script();
    const bool wordless = script == QChar::Script_Han || script == QChar::Script_Hiragana
        || script == QChar::Script_Katakana || script == QChar::Script_Bopomofo;
    for (qsizetype at = foldedText.indexOf(foldedNeedle); at >= 0; at = foldedText.indexOf(foldedNeedle, at + 1)) {
        if (wordless || at == 0 || !foldedText.at(at - 1).isLetterOrNumber())
            return true;
    }
    return false;
}

QString searchText(const StoredChat &chat)
{
    QStringList parts{chat.programName};
    for (const ChatEvent &event : chat.events)
        parts.append(event.type == ChatEvent::Type::Shown ? event.shown.text : event.text);
    for (const StoredProgram &program : chat.programs)
        parts.append(program.name);
    // A separator no search text holds, so that a match never spans two parts.
    return parts.join(QChar(0)).toCaseFolded();
}

QList<ChatEntry> entriesOf(const StoredChat &chat)
{
    QHash<int, QString> sources;
    for (const StoredProgram &program : chat.programs) {
        for (const ProgramVersion &version : program.versions)
            sources.insert(version.number, version.source);
    }
    QList<ChatEntry> entries;
    for (const ChatEvent &event : chat.events) {
        ChatPresenter::Context context;
        context.code = sources.value(event.program);
        entries += ChatPresenter::entries(event, context);
    }
    return entries;
}

QString conversationText(const QList<ChatEntry> &entries, const QString &userName, const QString &serviceName)
{
    QList<ChatSessions::Said> said;
    said.reserve(entries.size());
    for (const ChatEntry &entry : entries) {
        QString text = entry.text;
        if (entry.kind == ChatEntry::Kind::Program)
            text += (text.isEmpty() ? QString() : QStringLiteral("\n\n")) + entry.code;
        said.append({entry.kind == ChatEntry::Kind::User ? userName : serviceName, text});
    }
    return ChatSessions::conversationText(said);
}

} // namespace StoredChats
