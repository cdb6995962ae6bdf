#include "platform/secretstore.h"

#include <QCoreApplication>
#include <QHash>
#include <QTimer>

#include <memory>

#include <qt6keychain/keychain.h>

namespace {

// Secrets that no store would take, for the rest of this run: service, then name.
QHash<QString, QByteArray> &secretsOfThisRun()
{
    static QHash<QString, QByteArray> secrets;
    return secrets;
}

QString runKey(const QString &service, const QString &name)
{
    return service + QLatin1Char('\n') + name;
}

QString notAnswered()
{
    return QCoreApplication::translate("SecretStore", "the credential store did not answer");
}

bool storeAnswered(QKeychain::Error error)
{
    return error == QKeychain::NoError || error == QKeychain::EntryNotFound;
}

} // namespace

SecretStore::SecretStore(const QString &service, std::chrono::milliseconds bound)
    : m_service(service.isEmpty() ? QCoreApplication::applicationName() : service)
    , m_bound(bound)
{ }

void SecretStore::readLater(const QString &name, const QObject *context,
                            std::function<void(const Result &)> done) const
{
    auto *job = new QKeychain::ReadPasswordJob(m_service);
    job->setKey(name);
    runWithin(job, context, [store = *this, job, name, done](bool finished) {
        done(store.readResult(job, finished, name));
    });
}

void SecretStore::writeLater(const QString &name, const QByteArray &secret, const QObject *context,
                             std::function<void(const Result &)> done) const
{
    QKeychain::Job *job = nullptr;
    if (secret.isEmpty()) {
        job = new QKeychain::DeletePasswordJob(m_service);
    } else {
        auto *writeJob = new QKeychain::WritePasswordJob(m_service);
        writeJob->setBinaryData(secret);
        job = writeJob;
    }
    job->setKey(name);
    runWithin(job, context, [store = *this, job, name, secret, done](bool finished) {
        done(store.writeResult(job, finished, name, secret));
    });
}

void SecretStore::runWithin(QKeychain::Job *job, const QObject *context, std::function<void(bool finished)> report) const
{
    // Whichever comes first, the store's answer or the bound, reports; the other is ignored.
    // The job deletes itself once the store answers, however late.
    auto reported = std::make_shared<bool>(false);
    const auto once = [report, reported](bool finished) {
        if (!std::exchange(*reported, true))
            report(finished);
    };
    QObject::connect(job, &QKeychain::Job::finished, context, [once] { once(true); });
    QTimer::singleShot(m_bound, context, [once] { once(false); });
    // A store that fails at once answers from the event loop too, never inside this call.
    QMetaObject::invokeMethod(job, &QKeychain::Job::start, Qt::QueuedConnection);
}

SecretStore::Result SecretStore::readResult(const QKeychain::ReadPasswordJob *job, bool finished,
                                            const QString &name) const
{
    Result result;
    if (!finished) {
        result.storeError = notAnswered();
    } else if (job->error() == QKeychain::NoError) {
        result.status = Status::Kept;
        result.secret = job->binaryData();
        return result;
    } else if (!storeAnswered(job->error())) {
        result.storeError = job->errorString();
    }
    // A secret the store would not take earlier in this run.
    const auto kept = secretsOfThisRun().constFind(runKey(m_service, name));
    if (kept != secretsOfThisRun().cend()) {
        result.status = Status::KeptForThisRun;
        result.secret = *kept;
    }
    return result;
}

SecretStore::Result SecretStore::writeResult(const QKeychain::Job *job, bool finished, const QString &name,
                                             const QByteArray &secret) const
{
    const QString key = runKey(m_service, name);
    Result result;
    result.secret = secret;
    if (!finished) {
        result.storeError = notAnswered();
    } else if (storeAnswered(job->error())) {
        secretsOfThisRun().remove(key);
        result.status = secret.isEmpty() ? Status::NotFound : Status::Kept;
        return result;
    } else {
        result.storeError = job->errorString();
    }
    if (secret.isEmpty()) {
        secretsOfThisRun().remove(key);
        result.status = Status::NotFound;
    } else {
        secretsOfThisRun().insert(key, secret);
        result.status = Status::KeptForThisRun;
    }
    return result;
}
