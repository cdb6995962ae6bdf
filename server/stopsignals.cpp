#include "stopsignals.h"

#include <QSocketNotifier>
#include <QtGlobal>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_WIN
StopSignals *listener = nullptr;

// Runs on a thread of its own: the stop goes to the event loop's thread.
BOOL WINAPI consoleEvent(DWORD)
{
    QMetaObject::invokeMethod(listener, &StopSignals::stopAsked, Qt::QueuedConnection);
    return TRUE;
}
#else
// Written by the signal handler, which may do nothing else safely; read by the event loop.
int stopPipe[2] = {-1, -1};

void noteStop(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(stopPipe[1], &byte, 1);
}
#endif

} // namespace

StopSignals::StopSignals(QObject *parent)
    : QObject(parent)
{
#ifdef Q_OS_WIN
    listener = this;
    SetConsoleCtrlHandler(consoleEvent, TRUE);
#else
    if (::pipe(stopPipe) != 0) {
        qWarning("cannot watch for SIGTERM: a stop will cut the chats in flight");
        return;
    }
    ::fcntl(stopPipe[1], F_SETFL, O_NONBLOCK);
    auto *notifier = new QSocketNotifier(stopPipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        [[maybe_unused]] const ssize_t got = ::read(stopPipe[0], &byte, 1);
        emit stopAsked();
    });
    struct sigaction action = {};
    action.sa_handler = noteStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
#endif
}
