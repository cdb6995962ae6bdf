#pragma once

#include <QObject>

// Turns the system's requests to stop into a signal of the event loop: SIGTERM (systemctl stop,
// a package upgrade) and SIGINT (Ctrl+C) on Unix, the console's Ctrl+C, Ctrl+Break and close on
// Windows. The handlers only note the request; the service stops in its own time.
class StopSignals final : public QObject
{
    Q_OBJECT

public:
    explicit StopSignals(QObject *parent = nullptr);

signals:
    void stopAsked();
};
