#include "platform/secretstore.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QHash>
#include <QPointer>
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

// Runs job and waits for it within bound. The job deletes itself once it ends, even after a
// wait that gave up on it. Returns false when the bound ran out first.
bool finishes(QKeychain::Job *job, std::chrono::milliseconds bound)
{
    QPointer<QKeychain::Job> guard(job);
    QEventLoop loop;
    bool done = false;
    QObject::connect(job, &QKeychain::Job::finished, &loop, [&] {
        done = true;
        loop.quit();
    });
    QTimer::singleShot(bound, &loop, &QEventLoop::quit);
    job->start();
    if (!done)
        loop.exec();
    if (!done && guard)
        guard->disconnect(&loop);
    return done;
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

SecretStore::Result SecretStore::read(const QString &name) const
{
    auto *job = new QKeychain::ReadPasswordJob(m_service);
    job->setKey(name);
    return readResult(job, finishes(job, m_bound), name);
}

void SecretStore::readLater(const QString &name, const QObject *context,
                            std::function<void(const Result &)> done) const
{
    auto *job = new QKeychain::ReadPasswordJob(m_service);
    job->setKey(name);
    // Whichever comes first, the store's answer or the bound, reports; the other is ignored.
    // The job deletes itself once the store answers, however late.
    auto reported = std::make_shared<bool>(false);
    const auto report = [store = *this, job, name, done, reported](bool finished) {
        if (!std::exchange(*reported, true))
            done(store.readResult(job, finished, name));
    };
    QObject::connect(job, &QKeychain::Job::finished, context, [report] { report(true); });
    QTimer::singleShot(m_bound, context, [report] { report(false); });
    job->start();
}

SecretStore::Result SecretStore::readResult(const QKeychain::ReadPasswordJob *job, bool finished,
                                            const QString &name) const
{
    Result result;
    if (!finished) {
        result.storeError = QCoreApplication::translate("SecretStore", "the credential store did not answer");
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

SecretStore::Result SecretStore::write(const QString &name, const QByteArray &secret) const
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
    const QString key = runKey(m_service, name);
    Result result;
    result.secret = secret;
    if (!finishes(job, m_bound)) {
        result.storeError = QCoreApplication::translate("SecretStore", "the credential store did not answer");
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
