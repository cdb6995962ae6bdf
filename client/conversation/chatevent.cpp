#include "client/conversation/chatevent.h"

ChatEvent ChatEvent::notice(const QString &source, const QStringList &args)
{
    ChatEvent event;
    event.text = source;
    event.args = args;
    return event;
}

ChatEvent ChatEvent::wait(Waiting waiting, const QString &name)
{
    ChatEvent event;
    event.type = Type::Wait;
    event.waiting = waiting;
    event.name = name;
    return event;
}

ChatEvent ChatEvent::ofStep(StepResult step)
{
    ChatEvent event;
    event.type = Type::Step;
    event.step = std::move(step);
    return event;
}
