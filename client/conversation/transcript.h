#pragma once

#include "client/conversation/chatentry.h"
#include "client/conversation/chatevent.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>

// The chat's events, by index, and the bubbles they are shown as. Whoever records or changes an
// event goes through here; the window follows the entry signals, an entry's id being its place
// among the bubbles. An event that changes in place (a wait ending, a request, an answer) is
// shown as exactly one bubble.
class Transcript final : public QObject
{
    Q_OBJECT

public:
    // The bubbles an event is shown as now; index is the event's place.
    using Renderer = std::function<QList<ChatEntry>(int index, const ChatEvent &event)>;

    using QObject::QObject;

    void setRenderer(Renderer renderer) { m_renderer = std::move(renderer); }

    // The event's index.
    int add(const ChatEvent &event);
    // The events of a kept chat in place of the transcript's, each worded knowing all of them.
    void assign(const QList<ChatEvent> &events);
    // Indexes of a cleared transcript are ignored.
    void change(int index, const ChatEvent &event);
    // Shows the event again, as it is now (a running wait's clock): never a change to keep.
    void update(int index);
    // Gives every bubble the actions the chat offers now (Edit and Regenerate on the last turn,
    // a program's versions). Their texts stay as they were shown, in the language of their day:
    // a kept chat is worded anew when it is opened again.
    void refresh();
    void clear();
    const QList<ChatEvent> &events() const { return m_events; }
    const QList<ChatEntry> &entries() const { return m_entries; }

    // An entry of the service's kind: the service's answers and the client's own notices.
    static ChatEntry serviceEntry(const QString &text, const QList<ChatEntry::Link> &links = {});
    // "m:ss", as a clock on the wall: how long a bubble has been waiting.
    static QString clockText(qint64 ms);

Q_SIGNALS:
    // An event recorded or changed: something to keep.
    void recorded();
    void entryAdded(int id, const ChatEntry &entry);
    void entryChanged(int id, const ChatEntry &entry);
    void entryUpdated(int id, const ChatEntry &entry);
    void cleared();

private:
    // Re-renders event index in place; changed entries are reported by signal.
    void show(int index, void (Transcript::*signal)(int, const ChatEntry &));
    void rerender();

    Renderer m_renderer;
    QList<ChatEvent> m_events;
    QList<int> m_firstEntry; // per event: the id of its first bubble
    QList<ChatEntry> m_entries;
};
