#include "metrics.h"

void Metrics::countRequest(const QString &endpoint, int status)
{
    ++m_requests[{endpoint, status}];
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
    header("tavrin_requests_total", "counter", "HTTP requests answered, by endpoint and status.");
    for (auto it = m_requests.cbegin(); it != m_requests.cend(); ++it) {
        out += "tavrin_requests_total{endpoint=\"" + it.key().first.toUtf8() + "\",status=\""
            + QByteArray::number(it.key().second) + "\"} " + QByteArray::number(it.value()) + '\n';
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
    if (gauges.chatsOpen >= 0)
        gauge("tavrin_chats_open", "Chats kept in the session store, all instances.",
              gauges.chatsOpen);
    gauge("tavrin_chats_generating", "Chats this instance is answering with the model.",
          gauges.chatsGenerating);
    gauge("tavrin_model_queue_length", "Chats of this instance waiting for the model server.",
          gauges.queueLength);
    return out;
}
