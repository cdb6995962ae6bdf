#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// What writes the trader's programs, as chosen in Settings > Code generator: the bundled
// service with its offline templates or with a model server, or another TavrinAI service.
// Kept in QSettings; the model server's API key is not part of it (it lives in the
// operating system's credential store).
struct CodeGeneratorChoice final
{
    enum class Kind { Templates, ModelServer, OtherService };

    Kind kind = Kind::Templates;
    QString modelBaseUrl;  // any form --llm-base-url accepts
    QString model;         // empty: the first one the model server lists
    QString serviceUrl;    // another TavrinAI service's address

    static CodeGeneratorChoice load();
    void save() const;

    // The service's address when nothing else names it: another service's, or the default.
    QString serviceAddress() const;
};

// What the service the client starts itself writes programs with.
struct ServiceBackend final
{
    QString modelBaseUrl;  // empty: the offline templates
    QString model;
    QByteArray apiKey;     // handed to the service in its environment only

    static ServiceBackend of(const CodeGeneratorChoice &choice, const QByteArray &apiKey);
    // The service's command-line options for this backend; never the key.
    QStringList arguments() const;
};

// The credential store's name for the model server's API key.
inline const QString kApiKeyName = QStringLiteral("model-server-api-key");
