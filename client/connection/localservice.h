#pragma once

#include "client/connection/codegeneratorchoice.h"

#include <QObject>
#include <QString>

#include <chrono>

class QNetworkAccessManager;
class QProcess;
class QTimer;

// How long LocalService waits. Tests shorten them instead of waiting them out.
struct LocalServiceTimeouts final
{
    std::chrono::milliseconds probe{2000};   // for an answer at the address
    // For the started service's "listening" line: a first start behind a virus scan is slow.
    std::chrono::milliseconds start{15000};
};

// Makes sure a code-generation service answers at the client's address. When that address is
// plain HTTP on this machine and nothing answers there, it starts the tavrin-server beside the
// client on that port and owns it: it restarts it with another backend and stops it when it
// is destroyed. A service that already answers (another client's, the system's, a
// developer's) is used as it is and never stopped, unless the trader's choice needs the
// client's own: then that one is started beside it on a free port. A remote address is never
// replaced.
//
// Every start() ends in exactly one ready() or failed(); a started service that ends later
// is reported by stopped().
class LocalService final : public QObject
{
    Q_OBJECT

public:
    // program: the service to start; by default the tavrin-server beside the client.
    explicit LocalService(QObject *parent = nullptr, const QString &program = bundledProgram(),
                          const LocalServiceTimeouts &timeouts = {});
    ~LocalService() override;

    static QString bundledProgram();
    // Whether a service at baseUrl could be started here: plain HTTP on this machine.
    static bool canServe(const QString &baseUrl);

    // Looks at baseUrl and starts the service there when it should. A service this object
    // started before is stopped first, so that a new backend takes effect. ownNeeded: the
    // backend must be used, so a service this object did not start is never used instead.
    void start(const QString &baseUrl, const ServiceBackend &backend, bool ownNeeded = false);

    // Whether the service at baseUrl() runs because this object started it.
    bool ownsService() const { return m_process && m_listening; }
    // Where the service answers: the address given to start(), or the free port taken.
    QString baseUrl() const { return m_baseUrl; }
    const ServiceBackend &backend() const { return m_backend; }

Q_SIGNALS:
    // A service answers at baseUrl(). notice says so for the chat, once; it is empty when a
    // service was there already and nothing needs saying.
    void ready(const QString &notice);
    // No service answers at baseUrl() and none could be started; message says why.
    void failed(const QString &message);
    // The service this object started ended by itself.
    void stopped(const QString &message);

private:
    enum class Probe { Nothing, Service, Stranger };

    void begin();
    void probe(bool afterLostRace);
    void onProbed(Probe found, bool afterLostRace);
    void launch();
    void onOutput();
    void onEnded();
    // Asks the owned service to end, then kills it if it has not within a bound; returns it,
    // still running until its finished(), or null when none was owned.
    QProcess *stopOwned();
    void settle(bool ok, const QString &text);
    QString startedNotice() const;
    QString startFailure(const QString &reason) const;

    QString m_program;
    LocalServiceTimeouts m_timeouts;
    QString m_baseUrl;
    ServiceBackend m_backend;
    QNetworkAccessManager *m_network = nullptr;
    QProcess *m_process = nullptr;
    QTimer *m_startDeadline = nullptr;
    QMetaObject::Connection m_waitForEnd; // a start waiting for the service it stopped to end
    QByteArray m_output;
    QString m_lastLine;
    bool m_listening = false;
    bool m_settled = true;
    bool m_ownNeeded = false;
    bool m_anyPort = false;  // started on a free port beside a service at the address
};
