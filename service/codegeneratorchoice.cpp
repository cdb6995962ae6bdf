#include "service/codegeneratorchoice.h"

#include "platform/secretstore.h"
#include "service/localservice.h"
#include "service/serviceaccess.h"

#include <QProcessEnvironment>
#include <QSettings>
#include <QUrl>

#include <memory>
#include <optional>

namespace {

const QString kGroup = QStringLiteral("codeGenerator");
// Set while a key or password is stored: where no store keeps them, the next start says so.
const QString kSecretsKey = QStringLiteral("codeGenerator/secretsEntered");

// The stored names: stable across versions, whatever the enum's order.
const char *const kKindNames[] = {"templates", "modelServer", "otherService"};

StoredBackend storedBackend(CodeGeneratorChoice choice, const SecretStore::Result &key,
                            const SecretStore::Result &userInfo)
{
    QUrl address = QUrl::fromUserInput(choice.modelBaseUrl);
    if (!userInfo.secret.isEmpty() && address.isValid()) {
        address.setUserInfo(QString::fromUtf8(userInfo.secret));
        choice.modelBaseUrl = address.toString();
    }
    const bool lost = key.secret.isEmpty() && userInfo.secret.isEmpty() && !key.storeError.isEmpty()
        && QSettings().value(kSecretsKey, false).toBool();
    return {ServiceBackend::of(choice, key.secret), lost};
}

} // namespace

CodeGeneratorChoice CodeGeneratorChoice::load()
{
    QSettings settings;
    settings.beginGroup(kGroup);
    CodeGeneratorChoice choice;
    const QString kind = settings.value(QStringLiteral("kind")).toString();
    for (int i = 0; i < 3; ++i) {
        if (kind == QLatin1String(kKindNames[i])) {
            choice.kind = Kind(i);
            choice.made = true;
        }
    }
    choice.modelBaseUrl = settings.value(QStringLiteral("modelBaseUrl")).toString();
    choice.model = settings.value(QStringLiteral("model")).toString();
    choice.serviceUrl = settings.value(QStringLiteral("serviceUrl")).toString();
    return choice;
}

void CodeGeneratorChoice::save() const
{
    QSettings settings;
    settings.beginGroup(kGroup);
    settings.setValue(QStringLiteral("kind"), QLatin1String(kKindNames[int(kind)]));
    settings.setValue(QStringLiteral("modelBaseUrl"), withoutUserInfo(modelBaseUrl));
    settings.setValue(QStringLiteral("model"), model);
    settings.setValue(QStringLiteral("serviceUrl"), serviceUrl);
}

QString CodeGeneratorChoice::serviceAddress() const
{
    QString address = kind == Kind::OtherService ? serviceUrl.trimmed() : QString();
    while (address.endsWith(QLatin1Char('/')))
        address.chop(1);
    return address.isEmpty() ? defaultApiBaseUrl() : address;
}

bool CodeGeneratorChoice::wantsOwnService(const QString &address) const
{
    return made && kind != Kind::OtherService && LocalService::canServe(address);
}

ServiceBackend ServiceBackend::of(const CodeGeneratorChoice &choice, const QByteArray &apiKey)
{
    if (choice.kind != CodeGeneratorChoice::Kind::ModelServer || choice.modelBaseUrl.trimmed().isEmpty())
        return {};
    return {choice.modelBaseUrl.trimmed(), choice.model.trimmed(), apiKey};
}

void ServiceBackend::putInto(QProcessEnvironment &environment) const
{
    if (modelBaseUrl.isEmpty()) {
        environment.insert(QStringLiteral("TAVRIN_BACKEND"), QStringLiteral("templates"));
        return;
    }
    environment.insert(QStringLiteral("TAVRIN_BACKEND"), QStringLiteral("openai"));
    environment.insert(QStringLiteral("TAVRIN_LLM_BASE_URL"), modelBaseUrl);
    if (!model.isEmpty())
        environment.insert(QStringLiteral("TAVRIN_LLM_MODEL"), model);
    if (!apiKey.isEmpty())
        environment.insert(QStringLiteral("TAVRIN_LLM_API_KEY"), QString::fromUtf8(apiKey));
}

void loadBackend(const SecretStore &store, const QObject *context, std::function<void(const StoredBackend &)> done)
{
    const CodeGeneratorChoice choice = CodeGeneratorChoice::load();
    // The credential store is asked only when a secret can matter.
    if (choice.kind != CodeGeneratorChoice::Kind::ModelServer) {
        done({ServiceBackend::of(choice, {}), false});
        return;
    }
    // Both asked at once: a store that does not answer keeps each waiting for the whole bound.
    auto key = std::make_shared<std::optional<SecretStore::Result>>();
    auto userInfo = std::make_shared<std::optional<SecretStore::Result>>();
    const auto finish = [choice, done, key, userInfo] {
        if (*key && *userInfo)
            done(storedBackend(choice, **key, **userInfo));
    };
    store.readLater(kApiKeyName, context, [key, finish](const SecretStore::Result &read) {
        *key = read;
        finish();
    });
    store.readLater(kModelUserInfoName, context, [userInfo, finish](const SecretStore::Result &read) {
        *userInfo = read;
        finish();
    });
}

void saveSecrets(const SecretStore &store, const QByteArray &apiKey, const QString &userInfo,
                 const QObject *context, std::function<void(bool kept)> done)
{
    QSettings().setValue(kSecretsKey, !apiKey.isEmpty() || !userInfo.isEmpty());
    // Both written at once; done hears of them when the second answered.
    auto pending = std::make_shared<int>(2);
    auto kept = std::make_shared<bool>(true);
    const auto written = [pending, kept, done](const SecretStore::Result &result) {
        *kept = *kept && result.status != SecretStore::Status::KeptForThisRun;
        if (--*pending == 0)
            done(*kept);
    };
    store.writeLater(kApiKeyName, apiKey, context, written);
    store.writeLater(kModelUserInfoName, userInfo.toUtf8(), context, written);
}

// Read as the service reads it, so that "user:password@host" without "http://" counts too.
QString withoutUserInfo(const QString &address)
{
    const QUrl url = QUrl::fromUserInput(address.trimmed());
    return url.userInfo().isEmpty() ? address.trimmed() : url.adjusted(QUrl::RemoveUserInfo).toString();
}

QString userInfoOf(const QString &address)
{
    return QUrl::fromUserInput(address.trimmed()).userInfo(QUrl::FullyEncoded);
}

QString resolveApiBaseUrl()
{
    const QString config = configFilePath();
    return configNamesService(config) ? apiBaseUrlFromConfig(config) : CodeGeneratorChoice::load().serviceAddress();
}
