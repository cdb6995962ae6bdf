#pragma once

#include "apireply.h"

#include <QHttpServerResponder>
#include <QPointer>
#include <QString>
#include <QTcpSocket>

#include <functional>
#include <memory>
#include <optional>

class QHttpServerRequest;

// The way back to a client whose answer may come later, from a model: copies share it, the
// first send() answers and logs, later ones do nothing, and nothing is written when the
// client has gone meanwhile.
class PendingAnswer final
{
public:
    PendingAnswer(const QHttpServerRequest &request, QHttpServerResponder &&responder);

    // allow: the Allow header of a 405 reply.
    void send(const ApiReply &reply, const QByteArray &allow = {}) const;
    // Runs gone when the client closes the connection; disconnect it once answered.
    QMetaObject::Connection whenClientGone(QObject *context,
                                           const std::function<void()> &gone) const;

private:
    std::shared_ptr<std::optional<QHttpServerResponder>> m_responder;
    QPointer<QTcpSocket> m_socket;
    QString m_request;
};
