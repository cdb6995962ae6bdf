#include "sessionstore.h"

#include <QUuid>

QString SessionStore::open(const ProgramKind &kind)
{
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    m_sessions.insert(id, {kind, {}});
    return id;
}

SessionStore::Session *SessionStore::find(const QString &id)
{
    const auto it = m_sessions.find(id);
    return it == m_sessions.end() ? nullptr : &it.value();
}

bool SessionStore::close(const QString &id)
{
    return m_sessions.remove(id);
}
