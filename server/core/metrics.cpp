#include "metrics.h"

void Metrics::countRequest(const QString &endpoint, int status, const QString &outcome)
{
    ++m_requests[{endpoint, status, outcome}];
}

QString Metrics::outcomeOf(const QJsonObject &reply)
{
    const QString error = reply.value(QLatin1String("error")).toString();
    if (!error.isEmpty())
        return error;
    return reply.value(QLatin1String("success")).toBool(true) ? QStringLiteral("ok")
                                                               : QStringLiteral("failed");
}

void Metrics::observeChat(double seconds)
{
    for (size_t i = 0; i < bucketBounds.size(); ++i) {
        if (seconds <= bucketBounds[i])
            ++m_chatBuckets[i];
    }
    ++m_chatCount;
    m_chatSeconds += seconds;
}

void Metrics::countModelRequest(const QString &outcome)
{
    ++m_modelRequests[outcome];
}

QByteArray Metrics::text(const Gauges &gauges) const
{
    QByteArray out;
    const auto header = [&out](const char *name, const char *type, const char *help) {
        out += QByteArray("# HELP ") + name + ' ' + help + "\n# TYPE " + name + ' ' + type + '\n';
    };
    header("tavrin_requests_total", "counter",
           "HTTP requests answered, by endpoint, status and outcome (the error code or ok).");
    for (auto it = m_requests.cbegin(); it != m_requests.cend(); ++it) {
        const auto &[endpoint, status, outcome] = it.key();
        out += "tavrin_requests_total{endpoint=\"" + endpoint.toUtf8() + "\",status=\""
            + QByteArray::number(status) + "\",outcome=\"" + outcome.toUtf8() + "\"} "
            + QByteArray::number(it.value()) + '\n';
    }
    header("tavrin_chat_duration_seconds", "histogram",
           "Time from a chat request to its answer, streamed or not.");
    for (size_t i = 0; i < bucketBounds.size(); ++i) {
        out += "tavrin_chat_duration_seconds_bucket{le=\"" + QByteArray::number(bucketBounds[i])
            + "\"} " + QByteArray::number(m_chatBuckets[i]) + '\n';
    }
    out += "tavrin_chat_duration_seconds_bucket{le=\"+Inf\"} " + QByteArray::number(m_chatCount)
        + "\ntavrin_chat_duration_seconds_sum " + QByteArray::number(m_chatSeconds, 'f', 6)
        + "\ntavrin_chat_duration_seconds_count " + QByteArray::number(m_chatCount) + '\n';
    header("tavrin_model_requests_total", "counter",
           "Requests to the model server, by outcome.");
    for (auto it = m_modelRequests.cbegin(); it != m_modelRequests.cend(); ++it) {
        out += "tavrin_model_requests_total{outcome=\"" + it.key().toUtf8() + "\"} "
            + QByteArray::number(it.value()) + '\n';
    }
    const auto gauge = [&](const char *name, const char *help, qint64 value) {
        header(name, "gauge", help);
        out += QByteArray(name) + ' ' + QByteArray::number(value) + '\n';
    };
    gauge("tavrin_store_up", "1 when the session store answers, else 0.", gauges.storeUp ? 1 : 0);
    if (gauges.storeUp)
        gauge("tavrin_chats_open", "Chats in the session store that have not expired, all "
              "instances.", gauges.chatsOpen);
    gauge("tavrin_chats_generating", "Chats this instance is answering with the model.",
          gauges.chatsGenerating);
    gauge("tavrin_model_queue_length", "Chats of this instance waiting for the model server.",
          gauges.queueLength);
    return out;
}
