// corpus_runner: the offline generator's corpus asked of a code writer, the offline one or a
// model, through the chat service as a client's chats reach it, and each answer scored: what
// the program must and must not hold, what the answer names as not built, what the risk review
// finds, and whether the stand-in compiler takes it. A measurement tool, not a test.

#include "chatservice.h"
#include "memorysessionstore.h"
#include "modelwriter.h"
#include "offlinetexts.h"
#include "prompts.h"
#include "templatewriter.h"

#include "platform/compilerlog.h"
#include "platform/compilerrun.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// One message of a corpus chat: "target | request | in the program | not built | risks".
struct Step
{
    int line = 0;
    QString request;
    QStringList expected;
    QStringList unbuilt;
    QStringList risks;
};

struct Chat
{
    QString file;
    QString target; // "MT5 ea zh-CN"
    QList<Step> steps;
    // What came of it: {"class", "line", "detail"} for each failure, and each request's time.
    QJsonArray failures;
    QJsonArray requestMs;
};

// What a failure is of, and its name in the report, in the same order.
enum FailureClass { Expectation, NotBuilt, Risk, Compile };
const QStringList failureClasses{u"expectation"_s, u"not-built"_s, u"risk"_s, u"compile"_s};

QStringList items(const QString &field)
{
    QStringList list;
    for (const QString &item : field.split(u';'))
        if (!item.trimmed().isEmpty())
            list.append(item.trimmed());
    return list;
}

// A chat is a line with its target, then the lines starting with "+" that follow it.
std::optional<QList<Chat>> readCorpus(const QString &path, QString *problem)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *problem = path + u": "_s + file.errorString();
        return std::nullopt;
    }
    QList<Chat> chats;
    int line = 0;
    for (const QString &text : QString::fromUtf8(file.readAll()).split(u'\n')) {
        ++line;
        if (text.trimmed().isEmpty() || text.startsWith(u'#'))
            continue;
        const QStringList fields = text.split(u'|');
        const QStringList target = fields.value(0).simplified().split(u' ');
        const bool followUp = target == QStringList{u"+"_s};
        const bool known = target.size() == 3 && Protocol::platformNamed(target[0])
                           && Protocol::programTypeNamed(target[1]) && Protocol::languageNamed(target[2]);
        if (fields.size() < 3 || (followUp ? chats.isEmpty() : !known)) {
            *problem = u"%1:%2: not a corpus line"_s.arg(path).arg(line);
            return std::nullopt;
        }
        if (!followUp)
            chats.append({path, target.join(u' '), {}, {}, {}});
        chats.last().steps.append({line, fields[1].trimmed(), items(fields[2]), items(fields.value(3)),
                                   items(fields.value(4))});
    }
    return chats;
}

// The names an answer gives as not built, read with the offline generator's own wording of
// such a line in the chat's language.
QStringList namedUnbuilt(const QString &answer, Protocol::Language language)
{
    const QString marker = u"\x01"_s;
    const QString line = offline::unbuiltLine({marker, offline::Unbuilt::Reason::NotUnderstood},
                                              offline::Language(int(language)));
    const QString opening = line.section(marker, 0, 0);
    const QString closing = line.section(marker, 1).left(1);
    QStringList names;
    for (const QString &text : answer.split(u'\n'))
        if (text.startsWith(opening))
            names.append(text.mid(opening.size()).section(closing, 0, 0));
    return names;
}

double percentile(QList<double> values, double share)
{
    std::sort(values.begin(), values.end());
    const qsizetype rank = qsizetype(std::ceil(share * double(values.size())));
    return values.isEmpty() ? 0 : values[std::max<qsizetype>(rank, 1) - 1];
}

// The client's side of one request: the reply's body, handed on from the event loop so that a
// chat's next request never starts inside the service's answer to the last one.
class ReplySink final : public AnswerSink
{
public:
    ReplySink(QObject *context, std::function<void(const QJsonObject &)> done)
        : m_context(context), m_done(std::move(done)) { }
    void streamIfAccepted() const override { }
    bool isStreamed() const override { return false; }
    void sendEvent(const QByteArray &, const QJsonObject &) const override { }
    void sendKeepAlive() const override { }
    void send(const ApiReply &reply) const override
    {
        if (m_done) {
            const auto answer = [done = std::exchange(m_done, {}), body = reply.body] { done(body); };
            QMetaObject::invokeMethod(m_context, answer, Qt::QueuedConnection);
        }
    }
    QMetaObject::Connection whenClientGone(QObject *, const std::function<void()> &) const override
    {
        return {};
    }

private:
    QObject *m_context;
    mutable std::function<void(const QJsonObject &)> m_done;
};

// The corpus's chats, `jobs` at once, each message sent once the answer to the one before is
// scored and its program compiled.
class CorpusRun final : public QObject
{
    Q_OBJECT

public:
    CorpusRun(QList<Chat> chats, CodeWriter *writer, const QString &compiler, int jobs)
        : m_service(new MemorySessionStore(24 * 3600 * 1000, 100000), writer)
        , m_chats(std::move(chats))
        , m_compilerFolder(QFileInfo(compiler).absolutePath())
        , m_jobs(jobs) { }

    void start()
    {
        if (m_chats.isEmpty())
            return emit finished();
        while (m_running < m_jobs && m_next < m_chats.size())
            open(m_next++);
    }
    const QList<Chat> &chats() const { return m_chats; }

signals:
    void finished();

private:
    using Handler = void (ChatService::*)(const QJsonObject &, Protocol::Language, const Sink &);
    void call(Handler handler, const QJsonObject &body, int chat, std::function<void(const QJsonObject &)> done)
    {
        (m_service.*handler)(body, language(chat), std::make_shared<const ReplySink>(this, std::move(done)));
    }
    // The target's platform, program type or language.
    QString part(int chat, int index) const { return m_chats[chat].target.section(u' ', index, index); }
    Protocol::Language language(int chat) const { return *Protocol::languageNamed(part(chat, 2)); }
    void fail(int chat, int step, FailureClass failureClass, const QString &detail)
    {
        m_chats[chat].failures.append(QJsonObject{{u"class"_s, failureClasses[failureClass]},
                                                  {u"line"_s, m_chats[chat].steps[step].line},
                                                  {u"detail"_s, detail}});
    }

    void open(int chat)
    {
        ++m_running;
        call(&ChatService::startChat, newChatBody(part(chat, 1), part(chat, 0), part(chat, 2)), chat,
             [this, chat](const QJsonObject &reply) {
                 const QString id = reply.value(Field::SessionId).toString();
                 if (!id.isEmpty())
                     return ask(chat, 0, id);
                 fail(chat, 0, Expectation, reply.value(Field::Message).toString());
                 close(chat, id);
             });
    }

    void ask(int chat, int step, const QString &id)
    {
        QElapsedTimer clock;
        clock.start();
        call(&ChatService::chat, chatBody(id, m_chats[chat].steps[step].request, part(chat, 2)), chat,
             [this, chat, step, id, clock](const QJsonObject &reply) {
                 m_chats[chat].requestMs.append(double(clock.nsecsElapsed()) / 1e6);
                 const QString program = score(chat, step, reply);
                 if (program.isEmpty())
                     return next(chat, step, id);
                 compile(chat, step, program, [this, chat, step, id] { next(chat, step, id); });
             });
    }

    // Scores the answer by the step's line; returns its program, empty for none.
    QString score(int chat, int step, const QJsonObject &reply)
    {
        const Step &asked = m_chats[chat].steps[step];
        const QString said = reply.value(Field::Message).toString();
        const QJsonObject data = reply.value(Field::Data).toObject();
        const QString program = data.value(Field::Response).toString();
        const QString simple = program.simplified();
        const bool refused = asked.expected.contains(u"refused"_s);
        if (program.isEmpty() != refused)
            fail(chat, step, Expectation, refused ? u"refused"_s : u"no program: "_s + said.section(u'\n', 0, 0));
        for (const QString &item : asked.expected) {
            const bool held = item.startsWith(u'!') ? !simple.contains(item.mid(1)) : simple.contains(item);
            if (!held && !program.isEmpty() && item != u"refused"_s)
                fail(chat, step, Expectation, item);
        }
        // Named in the trader's words in any case: the answer upper-cases a symbol ("EURUSD").
        const QStringList named = namedUnbuilt(said, language(chat));
        for (const QString &item : asked.unbuilt)
            if (!named.join(u'\n').contains(item, Qt::CaseInsensitive))
                fail(chat, step, NotBuilt, u"not named: "_s + item);
        for (const QString &name : named)
            if (std::none_of(asked.unbuilt.begin(), asked.unbuilt.end(),
                             [&](const QString &item) { return name.contains(item, Qt::CaseInsensitive); }))
                fail(chat, step, NotBuilt, u"named: "_s + name);
        QStringList risks;
        for (const QJsonValue &warning : data.value(Field::Warnings).toArray())
            risks.append(warning.toObject().value(Field::Rule).toString());
        risks.removeDuplicates();
        risks.sort();
        QStringList expected = asked.risks;
        expected.sort();
        if (!program.isEmpty() && risks != expected)
            fail(chat, step, Risk, u"found {%1}, expected {%2}"_s.arg(risks.join(u','), expected.join(u',')));
        return program;
    }

    void compile(int chat, int step, const QString &program, const std::function<void()> &then)
    {
        const QString folder = m_folder.filePath(QString::number(chat));
        const QString name = u"Case"_s + Protocol::sourceExtension(*Protocol::platformNamed(part(chat, 0)));
        QSaveFile source(QDir(folder).filePath(name));
        if (!QDir().mkpath(folder) || !source.open(QIODevice::WriteOnly) || source.write(program.toUtf8()) < 0
            || !source.commit()) {
            fail(chat, step, Compile, source.errorString());
            return then();
        }
        auto *job = new CompilerRun::Job(this);
        const auto compiled = [this, chat, step, job, then](const CompilerRun::Outcome &run) {
            job->deleteLater();
            const QStringList errors = CompilerLog::errorLines(run.log);
            if (!run.problem.isEmpty() || !run.hasLog || CompilerLog::errorCount(run.log) > 0) {
                fail(chat, step, Compile, !run.problem.isEmpty() ? run.problem
                                    : errors.isEmpty()     ? u"the compiler left no result"_s
                                                           : errors.first());
            }
            then();
        };
        connect(job, &CompilerRun::Job::finished, this, compiled);
        job->start(m_compilerFolder, folder, name);
    }

    void next(int chat, int step, const QString &id)
    {
        if (step + 1 < m_chats[chat].steps.size())
            return ask(chat, step + 1, id);
        close(chat, id);
    }

    void close(int chat, const QString &id)
    {
        if (!id.isEmpty())
            call(&ChatService::endSession, endSessionBody(id, part(chat, 2)), chat, [](const QJsonObject &) {});
        printFailures(m_chats[chat]);
        --m_running;
        if (m_next < m_chats.size())
            return open(m_next++);
        if (m_running == 0)
            emit finished();
    }

    static void printFailures(const Chat &chat)
    {
        QStringList parts;
        for (const QJsonValue &failure : chat.failures) {
            const QJsonObject f = failure.toObject();
            parts.append(u"%1 (line %2): %3"_s.arg(f[u"class"_s].toString())
                             .arg(f[u"line"_s].toInt())
                             .arg(f[u"detail"_s].toString()));
        }
        if (!parts.isEmpty()) {
            QTextStream(stdout) << QFileInfo(chat.file).fileName() << ':' << chat.steps.first().line << ' '
                                << chat.target << " \"" << chat.steps.first().request.left(50)
                                << "\": " << parts.join(u"; "_s) << Qt::endl;
        }
    }

    ChatService m_service;
    QList<Chat> m_chats;
    QString m_compilerFolder;
    QTemporaryDir m_folder;
    int m_jobs;
    int m_next = 0;
    int m_running = 0;
};

// The summary as the report keeps it: a chat counts in every class it failed in.
QJsonObject summaryOf(const QList<Chat> &chats)
{
    QJsonObject failedBy;
    int passed = 0;
    QList<double> ms;
    for (const Chat &chat : chats) {
        passed += chat.failures.isEmpty();
        QStringList classes;
        for (const QJsonValue &failure : chat.failures)
            classes.append(failure[u"class"_s].toString());
        for (const QString &failureClass : failureClasses)
            failedBy[failureClass] = failedBy[failureClass].toInt() + int(classes.contains(failureClass));
        for (const QJsonValue &value : chat.requestMs)
            ms.append(value.toDouble());
    }
    return {{u"chats"_s, chats.size()}, {u"passed"_s, passed}, {u"failed"_s, chats.size() - passed},
            {u"failed_by_class"_s, failedBy}, {u"requests"_s, ms.size()},
            {u"request_ms_p50"_s, percentile(ms, 0.5)}, {u"request_ms_p99"_s, percentile(ms, 0.99)}};
}

void printSummary(const QString &writer, const QJsonObject &summary)
{
    QTextStream out(stdout);
    const auto row = [&out](const QString &what, const QString &value) {
        out << what.leftJustified(16) << value << '\n';
    };
    row(u"writer"_s, writer);
    for (const QString &key : {u"chats"_s, u"passed"_s, u"failed"_s})
        row(key, QString::number(summary[key].toInt()));
    for (const QString &failureClass : failureClasses)
        row(u"  "_s + failureClass, QString::number(summary[u"failed_by_class"_s][failureClass].toInt()));
    row(u"per request"_s, u"p50 %1 ms, p99 %2 ms (%3 requests)"_s
                              .arg(summary[u"request_ms_p50"_s].toDouble(), 0, 'f', 2)
                              .arg(summary[u"request_ms_p99"_s].toDouble(), 0, 'f', 2)
                              .arg(summary[u"requests"_s].toInt()));
}

bool writeReport(const QString &path, QJsonObject report, const QList<Chat> &chats)
{
    QJsonArray results;
    for (const Chat &chat : chats) {
        results.append(QJsonObject{{u"file"_s, chat.file}, {u"line"_s, chat.steps.first().line},
                                   {u"target"_s, chat.target}, {u"request"_s, chat.steps.first().request},
                                   {u"passed"_s, chat.failures.isEmpty()}, {u"failures"_s, chat.failures},
                                   {u"request_ms"_s, chat.requestMs}});
    }
    report.insert(u"chats"_s, results);
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(QJsonDocument(report).toJson()) >= 0 && file.commit();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Asks a code writer for every chat of corpus files and scores each answer."_s);
    parser.addHelpOption();
    const QCommandLineOption writerOption(u"writer"_s, u"offline or model."_s, u"writer"_s, u"offline"_s);
    const QCommandLineOption baseUrlOption(u"base-url"_s, u"The model server's address."_s, u"url"_s);
    const QCommandLineOption modelOption(u"model"_s, u"The model, as the server names it."_s, u"name"_s);
    const QCommandLineOption keyOption(u"api-key-env"_s, u"The variable holding the API key."_s, u"var"_s,
                                       u"TAVRIN_LLM_API_KEY"_s);
    const QCommandLineOption jobsOption(u"jobs"_s, u"Chats at once."_s, u"n"_s, u"1"_s);
    const QCommandLineOption compilerOption(u"compiler"_s, u"The stand-in compiler, metaeditor.exe."_s,
                                            u"path"_s, QStringLiteral(FAKEMETAEDITOR_PATH));
    const QCommandLineOption reportOption(u"report"_s, u"Where to write the JSON report."_s, u"file"_s);
    parser.addOptions(
        {writerOption, baseUrlOption, modelOption, keyOption, jobsOption, compilerOption, reportOption});
    parser.addPositionalArgument(u"corpus"_s, u"Corpus files."_s, u"CORPUS..."_s);
    parser.process(app);

    QTextStream err(stderr);
    const QString writerName = parser.value(writerOption);
    const bool model = writerName == u"model"_s;
    const int jobs = parser.value(jobsOption).toInt();
    if ((!model && writerName != u"offline"_s) || parser.positionalArguments().isEmpty() || jobs < 1
        || (model && (parser.value(baseUrlOption).isEmpty() || parser.value(modelOption).isEmpty()))) {
        err << "Give --writer offline, or --writer model with --base-url and --model, and corpus files.\n";
        return 2;
    }
    const QString compiler = parser.value(compilerOption);
    if (CompilerRun::compilerPath(QFileInfo(compiler).absolutePath()).isEmpty()) {
        err << "No metaeditor.exe or MetaEditor64.exe at " << compiler << '\n';
        return 2;
    }
    QList<Chat> chats;
    for (const QString &path : parser.positionalArguments()) {
        QString problem;
        const std::optional<QList<Chat>> read = readCorpus(path, &problem);
        if (!read) {
            err << problem << '\n';
            return 2;
        }
        chats += *read;
    }

    QJsonObject report{{u"writer"_s, writerName}, {u"prompt_version"_s, Prompts::version},
                       {u"date"_s, QDateTime::currentDateTimeUtc().toString(Qt::ISODate)},
                       {u"corpora"_s, QJsonArray::fromStringList(parser.positionalArguments())}};
    QString shownWriter = writerName;
    ModelSettings settings;
    if (model) {
        settings.serverRoot = ModelSettings::rootOf(parser.value(baseUrlOption));
        settings.model = parser.value(modelOption);
        settings.apiKey = qgetenv(parser.value(keyOption).toLocal8Bit().constData());
        settings.concurrency = jobs;
        report.insert(u"model"_s, settings.model);
        report.insert(u"base_url"_s, settings.shownRoot());
        shownWriter =
            u"%1 at %2, prompts v%3"_s.arg(settings.model, settings.shownRoot()).arg(Prompts::version);
    }
    CorpusRun run(chats, model ? static_cast<CodeWriter *>(new ModelWriter(settings)) : new TemplateWriter,
                  compiler, jobs);
    QObject::connect(&run, &CorpusRun::finished, &app, [&] {
        const QJsonObject summary = summaryOf(run.chats());
        printSummary(shownWriter, summary);
        report.insert(u"summary"_s, summary);
        if (parser.isSet(reportOption) && !writeReport(parser.value(reportOption), report, run.chats())) {
            err << "Cannot write " << parser.value(reportOption) << '\n';
            return app.exit(2);
        }
        app.exit(summary[u"failed"_s].toInt() > 0 ? 1 : 0);
    });
    QTimer::singleShot(0, &run, &CorpusRun::start);
    return app.exec();
}

#include "corpusrunner.moc"
