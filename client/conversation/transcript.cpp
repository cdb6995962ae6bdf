#include "client/conversation/transcript.h"

int Transcript::add(const ChatEvent &event)
{
    m_events.append(event);
    const int index = int(m_events.size()) - 1;
    m_firstEntry.append(int(m_entries.size()));
    for (const ChatEntry &entry : m_renderer(index, event)) {
        m_entries.append(entry);
        Q_EMIT entryAdded(int(m_entries.size()) - 1, entry);
    }
    Q_EMIT recorded();
    return index;
}

void Transcript::assign(const QList<ChatEvent> &events)
{
    clear();
    m_events = events;
    m_firstEntry.resize(m_events.size());
    rerender();
    for (int id = 0; id < int(m_entries.size()); ++id)
        Q_EMIT entryAdded(id, m_entries.at(id));
    Q_EMIT recorded();
}

ChatEntry Transcript::serviceEntry(const QString &text, const QList<ChatEntry::Link> &links)
{
    ChatEntry entry;
    entry.text = text;
    entry.links = links;
    return entry;
}

void Transcript::change(int index, const ChatEvent &event)
{
    if (index < 0 || index >= m_events.size())
        return;
    m_events[index] = event;
    show(index, &Transcript::entryChanged);
    Q_EMIT recorded();
}

void Transcript::update(int index)
{
    if (index >= 0 && index < m_events.size())
        show(index, &Transcript::entryUpdated);
}

void Transcript::show(int index, void (Transcript::*signal)(int, const ChatEntry &))
{
    const QList<ChatEntry> entries = m_renderer(index, m_events.at(index));
    const int first = m_firstEntry.at(index);
    const int count = index + 1 < m_firstEntry.size() ? m_firstEntry.at(index + 1) - first : int(m_entries.size()) - first;
    Q_ASSERT(entries.size() == count);
    for (int at = 0; at < std::min(count, int(entries.size())); ++at) {
        ChatEntry &kept = m_entries[first + at];
        kept = entries.at(at);
        Q_EMIT (this->*signal)(first + at, kept);
    }
}

void Transcript::refresh()
{
    for (int index = 0; index < m_events.size(); ++index) {
        const QList<ChatEntry> entries = m_renderer(index, m_events.at(index));
        const int first = m_firstEntry.at(index);
        for (int at = 0; at < entries.size() && first + at < m_entries.size(); ++at) {
            const ChatEntry &entry = entries.at(at);
            ChatEntry &kept = m_entries[first + at];
            if (std::equal(entry.links.cbegin(), entry.links.cend(), kept.links.cbegin(), kept.links.cend(),
                           [](const ChatEntry::Link &a, const ChatEntry::Link &b) {
                               return a.href == b.href && a.text == b.text;
                           }))
                continue;
            kept.links = entry.links;
            Q_EMIT entryUpdated(first + at, kept);
        }
    }
}

// Words every bubble anew, without a signal.
void Transcript::rerender()
{
    m_entries.clear();
    for (int index = 0; index < m_events.size(); ++index) {
        m_firstEntry[index] = int(m_entries.size());
        m_entries += m_renderer(index, m_events.at(index));
    }
}

void Transcript::clear()
{
    m_events.clear();
    m_firstEntry.clear();
    m_entries.clear();
    Q_EMIT cleared();
}

QString Transcript::clockText(qint64 ms)
{
    const qint64 seconds = ms / 1000;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}
