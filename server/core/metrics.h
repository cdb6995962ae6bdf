#pragma once

#include <QByteArray>
#include <QMap>
#include <QJsonObject>
#include <QString>

#include <array>
#include <tuple>

// What the service counts for a monitoring system, written in the Prometheus text format: the
// requests by endpoint, status and outcome, the time chats take, the model server's answers by
// outcome.
// The figures that are states, not counts, are given when written.
class Metrics final
{
public:
    struct Gauges
    {
        bool storeUp = true;
        // Counted only while the store is up.
        qint64 chatsOpen = 0;
        qint64 chatsGenerating = 0;
        qint64 queueLength = 0;
    };

    // outcome: the reply's "error", else "ok"; "failed" for a failure that names none.
    void countRequest(const QString &endpoint, int status, const QString &outcome);
    static QString outcomeOf(const QJsonObject &reply);
    void observeChat(double seconds);
    void countModelRequest(const QString &outcome);
    QByteArray text(const Gauges &gauges) const;

private:
    static constexpr std::array<double, 14> bucketBounds{
        0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 0.5, 1, 2.5, 5, 10, 30, 60, 300};

    QMap<std::tuple<QString, int, QString>, quint64> m_requests;
    QMap<QString, quint64> m_modelRequests;
    std::array<quint64, bucketBounds.size()> m_chatBuckets{};
    quint64 m_chatCount = 0;
    double m_chatSeconds = 0;
};
