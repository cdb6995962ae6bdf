#include "modelclient.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QTimer>

namespace {

using Failure = ModelClient::Failure;
using Answer = ModelClient::Answer;

constexpr int checkTimeoutMs = 5000;
constexpr int probeCacheMs = 30 * 1000;
constexpr int maxRetryDelayMs = 10000;
constexpr int defaultRetryDelayMs = 1000;

int httpStatus(const QNetworkReply *reply)
{
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

// What an error body says, whatever its shape: an "error" object with a "message" (OpenAI,
// llama-server), an "error" string (Ollama), a flat "message" (vLLM) or "detail", else the
// text itself, or an HTML page's title.
QString errorMessageOf(const QByteArray &body)
{
    const QJsonObject object = QJsonDocument::fromJson(body).object();
    const QJsonValue error = object.value(QLatin1String("error"));
    if (error.isObject())
        return error.toObject().value(QLatin1String("message")).toString();
    if (error.isString())
        return error.toString();
    for (const QLatin1String key : {QLatin1String("message"), QLatin1String("detail")}) {
        if (object.value(key).isString())
            return object.value(key).toString();
    }
    QString text = QString::fromUtf8(body);
    static const QRegularExpression title(QStringLiteral("<title[^>]*>(.*?)</title>"),
                                          QRegularExpression::CaseInsensitiveOption
                                              | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    const QRegularExpressionMatch match = title.match(text);
    text = match.hasMatch() ? match.captured(1) : text.remove(tag);
    return text.simplified().left(300);
}

// Each server words it differently; all of them name the context or the tokens.
bool meansContextOverflow(const QByteArray &body)
{
    static const QRegularExpression overflow(
        QStringLiteral("context[ _](length|size|window)|maximum context|too many tokens|"
                       "prompt is too long|exceed_context"),
        QRegularExpression::CaseInsensitiveOption);
    return overflow.match(QString::fromUtf8(body)).hasMatch();
}

// Retry-After in seconds or as an HTTP date, at most 10 s, so that the chat still answers soon.
int retryDelayMs(const QNetworkReply *reply)
{
    const QByteArray value = reply->rawHeader("Retry-After").trimmed();
    bool isNumber = false;
    const int seconds = value.toInt(&isNumber);
    if (isNumber)
        return qBound(0, seconds * 1000, maxRetryDelayMs);
    const QDateTime at = QDateTime::fromString(QString::fromLatin1(value), Qt::RFC2822Date);
    if (at.isValid())
        return int(qBound(qint64(0), QDateTime::currentDateTimeUtc().msecsTo(at),
                          qint64(maxRetryDelayMs)));
    return defaultRetryDelayMs;
}

Answer failureOf(const QNetworkReply *reply, const QByteArray &body, bool timedOut)
{
    const int status = httpStatus(reply);
    if (timedOut)
        return {Failure::TimedOut, {}, false, QStringLiteral("no answer within the time-out")};
    if (reply->error() == QNetworkReply::InsecureRedirectError)
        return {Failure::ServerError, {}, false,
                QStringLiteral("a redirect to another server, not followed")};
    if (status == 0)
        return {Failure::Unreachable, {}, false, reply->errorString()};
    const QString detail =
        QStringLiteral("HTTP %1: %2").arg(QString::number(status), errorMessageOf(body));
    switch (status) {
    case 401:
    case 403:
        return {Failure::KeyRejected, {}, false, detail};
    case 404:
        return {Failure::ModelNotFound, {}, false, detail};
    case 429:
    case 503:
        return {Failure::Busy, {}, false, detail};
    default:
        break;
    }
    if (status >= 400)
        return {meansContextOverflow(body) ? Failure::ContextOverflow : Failure::ServerError,
                {},
                false,
                detail};
    if (reply->error() != QNetworkReply::NoError)
        return {Failure::CutOff, {}, false, reply->errorString()};
    return {};
}

Answer answerOf(const QNetworkReply *reply, const QByteArray &body, bool timedOut)
{
    Answer answer = failureOf(reply, body, timedOut);
    if (answer.failure != Failure::None)
        return answer;
    const QJsonObject object = QJsonDocument::fromJson(body).object();
    const QJsonObject choice = object.value(QLatin1String("choices")).toArray().first().toObject();
    const QJsonValue content =
        choice.value(QLatin1String("message")).toObject().value(QLatin1String("content"));
    if (!content.isString()) {
        // Some proxies answer an error with status 200.
        const bool overflow = meansContextOverflow(body);
        return {overflow ? Failure::ContextOverflow : Failure::ServerError,
                {},
                false,
                QStringLiteral("not a chat completion: ") + errorMessageOf(body)};
    }
    answer.text = content.toString();
    answer.cutOffByLimit =
        choice.value(QLatin1String("finish_reason")).toString() == QLatin1String("length");
    return answer;
}

// Aborts the reply when it stays silent for timeoutMs, after telling onTimeout.
void bound(QNetworkReply *reply, int timeoutMs, const std::function<void()> &onTimeout)
{
    auto *timer = new QTimer(reply);
    timer->setSingleShot(true);
    QObject::connect(timer, &QTimer::timeout, reply, [reply, onTimeout] {
        onTimeout();
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::readyRead, timer, qOverload<>(&QTimer::start));
    timer->start(timeoutMs);
}

bool isEventStream(const QNetworkReply *reply)
{
    const int status = httpStatus(reply);
    return status >= 200 && status < 300
        && reply->header(QNetworkRequest::ContentTypeHeader)
               .toString()
               .contains(QLatin1String("text/event-stream"));
}

} // namespace

ModelClient::ModelClient(const ModelSettings &settings, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
{
    constexpr int connectionsPerManager = 6;
    const int managers =
        (qMax(1, m_settings.concurrency) + connectionsPerManager - 1) / connectionsPerManager;
    for (int i = 0; i < managers; ++i)
        m_networks.append(new QNetworkAccessManager(this));
}

QNetworkAccessManager &ModelClient::nextNetwork()
{
    return *m_networks.at(m_nextNetwork++ % m_networks.size());
}

quint64 ModelClient::complete(const QJsonArray &messages, const Progress &progress, Done done)
{
    const quint64 id = ++m_lastId;
    m_jobs.insert(id, {messages, progress, std::move(done)});
    m_waiting.enqueue(id);
    startWaiting();
    return id;
}

void ModelClient::cancel(quint64 id)
{
    const auto it = m_jobs.find(id);
    if (it == m_jobs.end())
        return;
    const bool waiting = m_waiting.removeOne(id);
    if (QNetworkReply *reply = it->reply) {
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    m_jobs.erase(it);
    if (!waiting)
        --m_running;
    startWaiting();
}

void ModelClient::startWaiting()
{
    while (m_running < m_settings.concurrency && !m_waiting.isEmpty()) {
        const quint64 id = m_waiting.dequeue();
        ++m_running;
        withModel([this, id](const Answer &failure) {
            if (!m_jobs.contains(id))
                return;
            if (failure.failure == Failure::None)
                send(id);
            else
                end(id, failure);
        });
    }
    reportQueue();
}

void ModelClient::reportQueue()
{
    for (qsizetype i = 0; i < m_waiting.size(); ++i) {
        Job &job = m_jobs[m_waiting.at(i)];
        const int position = int(i + 1);
        if (job.reportedPosition != position && job.progress.queued) {
            job.reportedPosition = position;
            job.progress.queued(position);
        }
    }
}

QNetworkRequest ModelClient::request(const QUrl &url) const
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    if (!m_settings.apiKey.isEmpty())
        request.setRawHeader("Authorization", "Bearer " + m_settings.apiKey);
    // Qt carries the headers over to a redirect's target: the key must never reach another host.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::SameOriginRedirectPolicy);
    return request;
}

void ModelClient::send(quint64 id)
{
    Job &job = m_jobs[id];
    const QJsonObject body{{QStringLiteral("model"), m_settings.model},
                           {QStringLiteral("messages"), job.messages},
                           {QStringLiteral("stream"), true}};
    job.timedOut = false;
    job.stream.reset();
    job.reply = nextNetwork().post(request(m_settings.chatCompletionsUrl()),
                                   QJsonDocument(body).toJson(QJsonDocument::Compact));
    bound(job.reply, m_settings.timeoutMs, [this, id] { m_jobs[id].timedOut = true; });
    connect(job.reply, &QNetworkReply::readyRead, this, [this, id] { received(id); });
    connect(job.reply, &QNetworkReply::finished, this, [this, id] { finished(id); });
    if (job.progress.started)
        job.progress.started();
}

// Relays each piece of a streamed answer as it comes. A server that answers with an error
// status, or ignores "stream" and sends the whole answer at once, is read when it finishes.
void ModelClient::received(quint64 id)
{
    Job &job = m_jobs[id];
    if (!job.stream) {
        if (!isEventStream(job.reply))
            return;
        job.stream = std::make_shared<Stream>();
    }
    const std::shared_ptr<Stream> stream = job.stream;
    const std::function<void(const QString &)> relay = job.progress.delta;
    for (const ServerSentEvent &event : stream->reader.feed(job.reply->readAll())) {
        if (event.data == "[DONE]") {
            stream->ended = true;
            continue;
        }
        const QJsonObject object = QJsonDocument::fromJson(event.data).object();
        if (object.contains(QLatin1String("error"))) {
            stream->error = event.data;
            continue;
        }
        const QJsonObject choice =
            object.value(QLatin1String("choices")).toArray().first().toObject();
        // Only "content": reasoning that a server sends beside it stays hidden.
        const QJsonObject delta = choice.value(QLatin1String("delta")).toObject();
        const QString piece = delta.value(QLatin1String("content")).toString();
        const QJsonValue finish = choice.value(QLatin1String("finish_reason"));
        if (finish.isString()) {
            stream->ended = true;
            stream->cutOffByLimit = finish.toString() == QLatin1String("length");
        }
        if (!piece.isEmpty()) {
            stream->text += piece;
            if (relay)
                relay(m_settings.scrubbed(piece));
            // The chat may have been stopped meanwhile.
            if (!m_jobs.contains(id))
                return;
        }
    }
}

void ModelClient::finished(quint64 id)
{
    const auto it = m_jobs.find(id);
    if (it == m_jobs.end())
        return;
    QNetworkReply *reply = std::exchange(it->reply, nullptr);
    reply->deleteLater();
    const Answer answer = it->stream ? streamedAnswer(reply, *it->stream, it->timedOut)
                                     : answerOf(reply, reply->readAll(), it->timedOut);
    if (answer.failure == Failure::Busy && !it->retried) {
        it->retried = true;
        QTimer::singleShot(retryDelayMs(reply), this, [this, id] {
            if (m_jobs.contains(id))
                send(id);
        });
        return;
    }
    end(id, answer);
}

// A streamed answer as a whole, once its reply has finished.
Answer ModelClient::streamedAnswer(const QNetworkReply *reply, const Stream &stream, bool timedOut)
{
    if (timedOut)
        return {Failure::TimedOut, {}, false, QStringLiteral("no answer within the time-out")};
    if (!stream.error.isEmpty()) {
        const Failure failure =
            meansContextOverflow(stream.error) ? Failure::ContextOverflow : Failure::ServerError;
        return {failure, {}, false,
                QStringLiteral("in the stream: ") + errorMessageOf(stream.error)};
    }
    if (!stream.ended) {
        const QString detail = reply->error() != QNetworkReply::NoError
            ? reply->errorString()
            : QStringLiteral("the stream ended early");
        return {Failure::CutOff, {}, false, detail};
    }
    return {Failure::None, stream.text, stream.cutOffByLimit, {}};
}

void ModelClient::end(quint64 id, Answer answer)
{
    const Job job = m_jobs.take(id);
    --m_running;
    startWaiting();
    answer.detail = m_settings.scrubbed(answer.detail);
    answer.text = m_settings.scrubbed(answer.text);
    emit completed(answer.failure);
    job.done(answer);
}

void ModelClient::fetchModels(const std::function<void(const Answer &, const QStringList &)> &next)
{
    QNetworkReply *reply = nextNetwork().get(request(m_settings.modelsUrl()));
    auto timedOut = std::make_shared<bool>(false);
    bound(reply, checkTimeoutMs, [timedOut] { *timedOut = true; });
    connect(reply, &QNetworkReply::finished, this, [this, reply, timedOut, next] {
        reply->deleteLater();
        const QByteArray body = reply->readAll();
        const Answer failure = failureOf(reply, body, *timedOut);
        QStringList ids;
        const QJsonArray models =
            QJsonDocument::fromJson(body).object().value(QLatin1String("data")).toArray();
        for (const QJsonValue &model : models)
            ids.append(model.toObject().value(QLatin1String("id")).toString());
        ids.removeAll(QString());
        next({failure.failure, {}, false, m_settings.scrubbed(failure.detail)}, ids);
    });
}

void ModelClient::withModel(const std::function<void(const Answer &failure)> &next)
{
    if (!m_settings.model.isEmpty()) {
        next({});
        return;
    }
    fetchModels([this, next](const Answer &failure, const QStringList &ids) {
        if (failure.failure != Failure::None || ids.isEmpty()) {
            next(failure.failure != Failure::None
                     ? failure
                     : Answer{Failure::ModelNotFound,
                              {},
                              false,
                              QStringLiteral("the server lists no model")});
            return;
        }
        if (m_settings.model.isEmpty())
            m_settings.model = ids.first();
        next({});
    });
}

void ModelClient::checkServer(const std::function<void(const QString &line)> &report)
{
    const QString server = m_settings.shownRoot();
    fetchModels([this, server, report](const Answer &failure, const QStringList &ids) {
        if (failure.failure != Failure::None) {
            report(QStringLiteral("model server %1 is not usable now (%2); chats get an error "
                                  "answer until it is")
                       .arg(server, failure.detail));
            return;
        }
        if (m_settings.model.isEmpty() && !ids.isEmpty())
            m_settings.model = ids.first();
        if (m_settings.model.isEmpty()) {
            report(QStringLiteral("model server %1 is up but lists no model: pass --llm-model")
                       .arg(server));
        } else if (!ids.contains(m_settings.model)) {
            report(QStringLiteral(
                       "model server %1 is up but does not list the model \"%2\" (it lists: %3)")
                       .arg(server, m_settings.model,
                            m_settings.scrubbed(ids.join(QStringLiteral(", ")))));
        } else {
            report(QStringLiteral("model server %1 is up; model \"%2\"")
                       .arg(server, m_settings.model));
        }
    });
}

void ModelClient::probe(const std::function<void(Failure failure)> &done)
{
    if (m_probed && !m_probedFresh.hasExpired())
        return done(*m_probed);
    m_probes.append(done);
    if (m_probes.size() > 1)
        return;
    fetchModels([this](const Answer &failure, const QStringList &) {
        m_probed = failure.failure;
        m_probedFresh.setRemainingTime(probeCacheMs);
        for (const auto &probe : std::exchange(m_probes, {}))
            probe(*m_probed);
    });
}

QString ModelClient::outcomeName(Failure failure)
{
    switch (failure) {
    case Failure::None:
        return QStringLiteral("ok");
    case Failure::Unreachable:
        return QStringLiteral("unreachable");
    case Failure::KeyRejected:
        return QStringLiteral("key_rejected");
    case Failure::ModelNotFound:
        return QStringLiteral("model_not_found");
    case Failure::Busy:
        return QStringLiteral("busy");
    case Failure::TimedOut:
        return QStringLiteral("timed_out");
    case Failure::ContextOverflow:
        return QStringLiteral("context_overflow");
    case Failure::CutOff:
        return QStringLiteral("cut_off");
    case Failure::ServerError:
        return QStringLiteral("server_error");
    }
    return {};
}
