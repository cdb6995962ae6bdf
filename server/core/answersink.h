#pragma once

#include "apireply.h"

#include <QByteArray>
#include <QJsonObject>
#include <QObject>

#include <functional>
#include <memory>

// Where the answer to one request goes: a plain reply, or, for a client that takes a stream,
// status and delta events while it waits and then the reply as the event "done". The HTTP layer
// writes it to the client; in-process callers and tests keep it.
class AnswerSink
{
public:
    virtual ~AnswerSink() = default;

    // From now on, the reply goes out as a stream's last event if the client takes streams.
    virtual void streamIfAccepted() const = 0;
    virtual bool isStreamed() const = 0;
    // One event of the stream; nothing for a plain answer.
    virtual void sendEvent(const QByteArray &name, const QJsonObject &data) const = 0;
    // Keeps a quiet stream from looking dead; nothing for a plain answer.
    virtual void sendKeepAlive() const = 0;
    // The first reply answers; later ones do nothing.
    virtual void send(const ApiReply &reply) const = 0;
    // Runs gone when the client goes away before its answer; disconnect it once answered.
    virtual QMetaObject::Connection whenClientGone(QObject *context,
                                                   const std::function<void()> &gone) const = 0;
};

using Sink = std::shared_ptr<const AnswerSink>;
