#pragma once

#include "service/chatentry.h"

#include <QList>
#include <QObject>
#include <QString>

// The action links of the chat's entries, all of one scheme, "brevan:": the conversation acts on
// them; any other href is a file or web address for the window to open.
namespace ChatLink {
inline const QString StopRequest = QStringLiteral("brevan:stop-request");
inline const QString StopCompile = QStringLiteral("brevan:stop-compile");
// Then a kept program's number.
inline const QString Show = QStringLiteral("brevan:show:");
inline const QString Copy = QStringLiteral("brevan:copy:");
inline const QString Deploy = QStringLiteral("brevan:deploy:");
inline const QString Restore = QStringLiteral("brevan:restore:");
inline const QString Versions = QStringLiteral("brevan:versions:");
// Then an entry's id: the last answer asked for again, the last request edited.
inline const QString Regenerate = QStringLiteral("brevan:regenerate:");
inline const QString Edit = QStringLiteral("brevan:edit:");
// Then the program's number and a line of it, "N:L".
inline const QString Line = QStringLiteral("brevan:line:");
// Then the compiler's error lines themselves.
inline const QString Fix = QStringLiteral("brevan:fix:");

// The number after prefix in href, or -1.
int numberAfter(const QString &href, const QString &prefix);
} // namespace ChatLink

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
    void clear();
    const QList<ChatEntry> &entries() const { return m_entries; }

    // An entry of the service's kind: the service's answers and the client's own notices.
    static ChatEntry serviceEntry(const QString &text, const QList<ChatEntry::Link> &links = {});
    // "m:ss", as a clock on the wall: how long a bubble has been waiting.
    static QString clockText(qint64 ms);

Q_SIGNALS:
    void entryAdded(int id, const ChatEntry &entry);
    void entryChanged(int id, const ChatEntry &entry);
    void cleared();

private:
    QList<ChatEntry> m_entries;
};
