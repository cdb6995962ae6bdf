#include "chatlease.h"

#include "sessionstore.h"

ChatLease::ChatLease(SessionStore &store, const QString &id, QObject *parent)
    : QObject(parent)
{
    connect(&m_renewal, &QTimer::timeout, this, [&store, id] { store.renew(id); });
    m_renewal.start(int(qMax<qint64>(1, store.leaseMs() / 3)));
}
