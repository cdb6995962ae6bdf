#pragma once

#include "modelsettings.h"

#include "protocol/eventstream.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QJsonArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QQueue>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QNetworkReply;

// Chat completions from an OpenAI-compatible server, at most `concurrency` at once and the rest
// in a queue, streamed so that the text is relayed as the model writes it. Every way such a
// server fails comes back as a Failure, never as silence: a request that stays silent for the
// time-out is given up, and a busy server is asked once more after Retry-After.
class ModelClient final : public QObject
{
    Q_OBJECT

public:
    enum class Failure {
        None,
        Unreachable,
        KeyRejected,
        ModelNotFound,
        Busy,
        TimedOut,
        ContextOverflow,
        CutOff,
        ServerError,
    };

    struct Answer
    {
        Failure failure = Failure::None;
        QString text;
        // finish_reason "length": the server stopped at its limit.
        bool cutOffByLimit = false;
        // For the log: what the server said, or the network error.
        QString detail;
    };
    using Done = std::function<void(const Answer &answer)>;
    // What a completion reports while it runs; every member may be empty.
    struct Progress
    {
        // Its place in the queue, 1 being next; again whenever it moves up.
        std::function<void(int position)> queued;
        // Sent to the model server.
        std::function<void()> started;
        // The next piece of the answer's text.
        std::function<void(const QString &text)> delta;
    };

    explicit ModelClient(const ModelSettings &settings, QObject *parent = nullptr);

    // Queues one chat completion of the messages; done runs once, unless it is cancelled.
    quint64 complete(const QJsonArray &messages, const Progress &progress, Done done);
    void cancel(quint64 id);

    // Asks the server which models it has (5 s) and reports one line for the log; without a
    // configured model, the first one listed is used from then on.
    void checkServer(const std::function<void(const QString &line)> &report);

    // How the server answered its list of models (5 s) at the latest check, None when it did,
    // made again when that is older than 30 s: a monitor that asks often costs the server
    // nothing more.
    void probe(const std::function<void(Failure failure)> &done);

    const ModelSettings &settings() const { return m_settings; }
    // Completions waiting for their turn.
    int queueLength() const { return int(m_waiting.size()); }
    // "ok", "unreachable", "busy" and so on, for the service's metrics.
    static QString outcomeName(Failure failure);

signals:
    // Each completion that ends, however it ends, except by cancel().
    void completed(ModelClient::Failure failure);

private:
    // What has come of a streamed answer so far.
    struct Stream
    {
        EventStreamReader reader;
        QString text;
        // [DONE] or a finish_reason came: the answer is whole.
        bool ended = false;
        bool cutOffByLimit = false;
        // An error sent inside the stream, as some servers do once it has begun.
        QByteArray error;
    };
    struct Job
    {
        QJsonArray messages;
        Progress progress;
        Done done;
        bool retried = false;
        bool timedOut = false;
        int reportedPosition = 0;
        QNetworkReply *reply = nullptr;
        // Null until the server answers with an event stream.
        std::shared_ptr<Stream> stream = nullptr;
    };

    void startWaiting();
    // Tells each waiting job whose place in the queue changed.
    void reportQueue();
    void send(quint64 id);
    void received(quint64 id);
    void finished(quint64 id);
    static Answer streamedAnswer(const QNetworkReply *reply, const Stream &stream, bool timedOut);
    void end(quint64 id, Answer answer);
    QNetworkRequest request(const QUrl &url) const;
    void fetchModels(
        const std::function<void(const Answer &failure, const QStringList &ids)> &next);
    // Without a configured model, the first one the server lists; then calls next.
    void withModel(const std::function<void(const Answer &failure)> &next);

    QNetworkAccessManager &nextNetwork();

    ModelSettings m_settings;
    // Qt opens at most six connections per host and manager, so that higher concurrency needs
    // more managers.
    QList<QNetworkAccessManager *> m_networks;
    qsizetype m_nextNetwork = 0;
    QQueue<quint64> m_waiting;
    std::optional<Failure> m_probed;
    QDeadlineTimer m_probedFresh;
    QList<std::function<void(Failure failure)>> m_probes;
    QHash<quint64, Job> m_jobs;
    int m_running = 0;
    quint64 m_lastId = 0;
};
