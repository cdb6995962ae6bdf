#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>

// Secrets such as the model server's API key, kept in the operating system's credential store
// through QtKeychain (Windows Credential Manager, the Secret Service of a Linux desktop). Where
// no store answers, a secret written is kept in memory until the program ends, and says so.
// Each call waits for the store at most its bound, running the event loop meanwhile.
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
        QByteArray secret;  // what read() found
        QString storeError; // the store's own words when it did not answer
    };

    // service: the name the secrets are filed under; by default the application's.
    explicit SecretStore(const QString &service = {},
                         std::chrono::milliseconds bound = std::chrono::seconds(10));

    Result read(const QString &name) const;
    // An empty secret removes it.
    Result write(const QString &name, const QByteArray &secret) const;

private:
    QString m_service;
    std::chrono::milliseconds m_bound;
};
