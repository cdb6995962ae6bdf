#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QJsonObject>
#include <QList>

// One Server-Sent Event: its name ("message" when the stream names none) and its data, the
// data lines joined by "\n".
struct ServerSentEvent final
{
    QByteArray name;
    QByteArray data;
};

// Reads a text/event-stream as its bytes arrive, in pieces of any size: lines may end in
// CR LF, LF or CR and be split anywhere, comments and unknown fields are skipped, and an
// event is complete at the blank line that follows it.
class EventStreamReader final
{
public:
    // The events that these bytes complete, in order.
    QList<ServerSentEvent> feed(QByteArrayView bytes);

private:
    void takeLine(QByteArrayView line, QList<ServerSentEvent> &events);

    QByteArray m_line;
    QByteArray m_name;
    QByteArray m_data;
    bool m_hasData = false;
    // A CR ended the last line: an LF right after it belongs to the same line end.
    bool m_afterCr = false;
    // The first line, which may start with a byte order mark, has been read.
    bool m_started = false;
};

// One event as it goes on the wire: its name and its data as compact JSON, ended by the blank
// line that completes it.
QByteArray encodeServerSentEvent(const QByteArray &name, const QJsonObject &data);

// A comment line: keeps an idle stream alive through proxies, skipped by every reader.
QByteArray serverSentKeepAlive();
