#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class SessionStore;

// Holds a chat's lock while its request runs, by renewing the lease every third of it: the lock
// never lapses while this instance works, and lapses within one lease of its death.
class ChatLease final : public QObject
{
    Q_OBJECT

public:
    // Renews until it is deleted with its parent, the running request.
    ChatLease(SessionStore &store, const QString &id, QObject *parent);

private:
    QTimer m_renewal;
};
