#include "service/transcript.h"

int Transcript::add(const ChatEntry &entry)
{
    m_entries.append(entry);
    const int id = int(m_entries.size()) - 1;
    Q_EMIT entryAdded(id, entry);
    return id;
}

int Transcript::add(const QString &text, const QList<ChatEntry::Link> &links)
{
    return add(serviceEntry(text, links));
}

ChatEntry Transcript::serviceEntry(const QString &text, const QList<ChatEntry::Link> &links)
{
    ChatEntry entry;
    entry.text = text;
    entry.links = links;
    return entry;
}

void Transcript::change(int id, const ChatEntry &entry)
{
    if (id < 0 || id >= m_entries.size())
        return;
    m_entries[id] = entry;
    Q_EMIT entryChanged(id, entry);
}

void Transcript::update(int id, const ChatEntry &entry)
{
    if (id < 0 || id >= m_entries.size())
        return;
    m_entries[id] = entry;
    Q_EMIT entryUpdated(id, entry);
}

void Transcript::clear()
{
    m_entries.clear();
    Q_EMIT cleared();
}

QString Transcript::clockText(qint64 ms)
{
    const qint64 seconds = ms / 1000;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}
