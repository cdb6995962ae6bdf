#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <functional>

class QObject;
namespace QKeychain {
class Job;
class ReadPasswordJob;
}

// Secrets such as the model server's API key, kept in the operating system's credential store
// through QtKeychain (Windows Credential Manager, the Secret Service of a Linux desktop). Where
// no store answers, a secret written is kept in memory until the program ends, and says so.
// Each call reports from the event loop, once the store answered or its bound ran out.
class SecretStore final
{
public:
    enum class Status {
        Kept,           // in the credential store (read: found there)
        NotFound,       // nothing stored under that name
        KeptForThisRun, // no store answered: in memory only, until the program ends
    };

    struct Result final
    {
        Status status = Status::NotFound;
        QByteArray secret;  // what was read, or written
        QString storeError; // the store's own words when it did not answer
    };

    // service: the name the secrets are filed under; by default the application's.
    explicit SecretStore(const QString &service = {},
                         std::chrono::milliseconds bound = std::chrono::seconds(10));

    // done gets the result from the event loop, once the store answered or the bound ran out,
    // unless context is gone by then.
    void readLater(const QString &name, const QObject *context, std::function<void(const Result &)> done) const;
    // The same for writing; an empty secret removes it.
    void writeLater(const QString &name, const QByteArray &secret, const QObject *context,
                    std::function<void(const Result &)> done) const;

private:
    // Starts job from the event loop; report gets whether it finished within the bound.
    void runWithin(QKeychain::Job *job, const QObject *context, std::function<void(bool finished)> report) const;
    Result readResult(const QKeychain::ReadPasswordJob *job, bool finished, const QString &name) const;
    Result writeResult(const QKeychain::Job *job, bool finished, const QString &name, const QByteArray &secret) const;

    QString m_service;
    std::chrono::milliseconds m_bound;
};
