#pragma once

#include "modelsettings.h"

#include <QHash>
#include <QJsonArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QQueue>
#include <QString>

#include <functional>

class QNetworkReply;

// Chat completions from an OpenAI-compatible server, at most `concurrency` at once and the rest
// in a queue. Every way such a server fails comes back as a Failure, never as silence: each
// request is bounded by the time-out, and a busy server is asked once more after Retry-After.
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

    explicit ModelClient(const ModelSettings &settings, QObject *parent = nullptr);

    // Queues one chat completion of the messages; done runs once, unless it is cancelled.
    quint64 complete(const QJsonArray &messages, Done done);
    void cancel(quint64 id);

    // Asks the server which models it has (5 s) and reports one line for the log; without a
    // configured model, the first one listed is used from then on.
    void checkServer(const std::function<void(const QString &line)> &report);

    const ModelSettings &settings() const { return m_settings; }

private:
    struct Job
    {
        QJsonArray messages;
        Done done;
        bool retried = false;
        bool timedOut = false;
        QNetworkReply *reply = nullptr;
    };

    void startWaiting();
    void send(quint64 id);
    void finished(quint64 id);
    void end(quint64 id, const Answer &answer);
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
    QHash<quint64, Job> m_jobs;
    int m_running = 0;
    quint64 m_lastId = 0;
};
