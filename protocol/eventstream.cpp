#include "protocol/eventstream.h"

#include <QJsonDocument>

QList<ServerSentEvent> EventStreamReader::feed(QByteArrayView bytes)
{
    QList<ServerSentEvent> events;
    while (!bytes.isEmpty()) {
        if (m_afterCr && bytes.front() == '\n')
            bytes = bytes.sliced(1);
        m_afterCr = false;
        qsizetype end = 0;
        while (end < bytes.size() && bytes[end] != '\n' && bytes[end] != '\r')
            ++end;
        if (end == bytes.size()) {
            m_line += bytes;
            break;
        }
        m_afterCr = bytes[end] == '\r';
        if (m_line.isEmpty()) {
            takeLine(bytes.first(end), events);
        } else {
            m_line += bytes.first(end);
            takeLine(m_line, events);
            m_line.clear();
        }
        bytes = bytes.sliced(end + 1);
    }
    return events;
}

void EventStreamReader::takeLine(QByteArrayView line, QList<ServerSentEvent> &events)
{
    if (!m_started) {
        m_started = true;
        if (line.startsWith("\xEF\xBB\xBF"))
            line = line.sliced(3);
    }
    if (line.isEmpty()) {
        if (m_hasData)
            events.append({m_name.isEmpty() ? QByteArrayLiteral("message") : m_name, m_data});
        m_name.clear();
        m_data.clear();
        m_hasData = false;
        return;
    }
    if (line.front() == ':')
        return;
    const qsizetype colon = line.indexOf(':');
    const QByteArrayView field = colon < 0 ? line : line.first(colon);
    QByteArrayView value = colon < 0 ? QByteArrayView() : line.sliced(colon + 1);
    if (value.startsWith(' '))
        value = value.sliced(1);
    if (field == "event") {
        m_name = value.toByteArray();
    } else if (field == "data") {
        if (m_hasData)
            m_data += '\n';
        m_data += value;
        m_hasData = true;
    }
}

QByteArray encodeServerSentEvent(const QByteArray &name, const QJsonObject &data)
{
    // Compact JSON holds no line break, so one data line carries it whole.
    return "event: " + name + "\ndata: " + QJsonDocument(data).toJson(QJsonDocument::Compact) + "\n\n";
}

QByteArray serverSentKeepAlive()
{
    return QByteArrayLiteral(":\n\n");
}
