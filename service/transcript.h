#pragma once

#include "service/chatentry.h"

#include <QList>
#include <QObject>
#include <QString>

#include "service/chataction.h"

// Every entry of the chat, by id; an id is the entry's place. Whoever adds or changes an entry
// goes through here, and the window follows the signals.
class Transcript final : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    int add(const ChatEntry &entry);
    // A notice of the service's kind: text and action links.
    int add(const QString &text, const QList<ChatEntry::Link> &links = {});
    // Ids of a cleared transcript are ignored.
    void change(int id, const ChatEntry &entry);
    // A passing change, such as a waiting bubble's clock: shown, never a change to keep.
    void update(int id, const ChatEntry &entry);
    void clear();
    const QList<ChatEntry> &entries() const { return m_entries; }

    // An entry of the service's kind: the service's answers and the client's own notices.
    static ChatEntry serviceEntry(const QString &text, const QList<ChatEntry::Link> &links = {});
    // "m:ss", as a clock on the wall: how long a bubble has been waiting.
    static QString clockText(qint64 ms);

Q_SIGNALS:
    void entryAdded(int id, const ChatEntry &entry);
    void entryChanged(int id, const ChatEntry &entry);
    void entryUpdated(int id, const ChatEntry &entry);
    void cleared();

private:
    QList<ChatEntry> m_entries;
};
