#include "service/codegeneratorchoice.h"

#include "service/serviceaccess.h"

#include <QSettings>

namespace {

const QString kGroup = QStringLiteral("codeGenerator");

// The stored names: stable across versions, whatever the enum's order.
const char *const kKindNames[] = {"templates", "modelServer", "otherService"};

} // namespace

CodeGeneratorChoice CodeGeneratorChoice::load()
{
    QSettings settings;
    settings.beginGroup(kGroup);
    CodeGeneratorChoice choice;
    const QString kind = settings.value(QStringLiteral("kind")).toString();
    for (int i = 0; i < 3; ++i) {
        if (kind == QLatin1String(kKindNames[i]))
            choice.kind = Kind(i);
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
    settings.setValue(QStringLiteral("modelBaseUrl"), modelBaseUrl);
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

ServiceBackend ServiceBackend::of(const CodeGeneratorChoice &choice, const QByteArray &apiKey)
{
    if (choice.kind != CodeGeneratorChoice::Kind::ModelServer || choice.modelBaseUrl.trimmed().isEmpty())
        return {};
    return {choice.modelBaseUrl.trimmed(), choice.model.trimmed(), apiKey};
}

QStringList ServiceBackend::arguments() const
{
    if (modelBaseUrl.isEmpty())
        return {QStringLiteral("--backend"), QStringLiteral("templates")};
    QStringList arguments{QStringLiteral("--backend"), QStringLiteral("openai"),
                          QStringLiteral("--llm-base-url"), modelBaseUrl};
    if (!model.isEmpty())
        arguments << QStringLiteral("--llm-model") << model;
    return arguments;
}
