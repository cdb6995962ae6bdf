#include "client/connection/codegeneratorinuse.h"

#include "protocol/modeladdress.h"

#include <QUrl>

namespace {

// "host:port" of an address, as short as the label needs it.
QString placeOf(const QString &address)
{
    const QUrl url = QUrl::fromUserInput(address);
    const QString host = url.host().isEmpty() ? ModelAddress::shown(url) : url.host();
    return url.port() < 0 ? host : QStringLiteral("%1:%2").arg(host).arg(url.port());
}

} // namespace

CodeGeneratorInUse CodeGeneratorInUse::of(const QString &serviceUrl, bool ownService,
                                          const ServiceBackend &backend)
{
    if (!ownService)
        return {Kind::Service, serviceUrl, {}};
    return {backend.modelBaseUrl.isEmpty() ? Kind::Templates : Kind::Model, serviceUrl, backend};
}

QString CodeGeneratorInUse::label() const
{
    switch (kind) {
    case Kind::Templates:
        return tr("Offline templates");
    case Kind::Model:
        return backend.model.isEmpty() ? tr("Model server at %1").arg(placeOf(backend.modelBaseUrl))
                                       : tr("Model %1 at %2").arg(backend.model, placeOf(backend.modelBaseUrl));
    case Kind::Service:
        break;
    }
    return tr("Service at %1").arg(placeOf(serviceUrl));
}

QString CodeGeneratorInUse::identity() const
{
    switch (kind) {
    case Kind::Templates:
        return QStringLiteral("offline templates");
    case Kind::Model:
        return QStringLiteral("model %1 at %2").arg(backend.model, placeOf(backend.modelBaseUrl));
    case Kind::Service:
        break;
    }
    return QStringLiteral("service at %1").arg(placeOf(serviceUrl));
}

QString CodeGeneratorInUse::toolTip() const
{
    const QString service = ModelAddress::shown(QUrl(serviceUrl));
    switch (kind) {
    case Kind::Templates:
        return tr("Programs are written from offline templates by the code generator that TavrinAI "
                  "started at %1. Settings > Code generator… chooses a model instead.")
            .arg(service);
    case Kind::Model:
        return tr("Programs are written by the model server at %1, through the code generator that "
                  "TavrinAI started at %2. Settings > Code generator… changes it.")
            .arg(ModelAddress::shown(QUrl::fromUserInput(backend.modelBaseUrl)), service);
    case Kind::Service:
        break;
    }
    return tr("Programs are written by the code generator at %1, which TavrinAI did not start: it "
              "writes them its own way. Settings > Code generator… chooses another.")
        .arg(service);
}

QString CodeGeneratorInUse::inUseNow() const
{
    switch (kind) {
    case Kind::Templates:
        return tr("In use now: the built-in templates (offline), in the code generator this client started at %1.")
            .arg(placeOf(serviceUrl));
    case Kind::Model:
        return tr("In use now: %1, through the code generator this client started at %2.")
            .arg(backend.model.isEmpty() ? tr("the model server at %1").arg(placeOf(backend.modelBaseUrl))
                                         : tr("the model %1 at %2").arg(backend.model, placeOf(backend.modelBaseUrl)),
                 placeOf(serviceUrl));
    case Kind::Service:
        break;
    }
    return tr("In use now: the service at %1, which this client did not start; the choice below applies to the "
              "client's own code generator.")
        .arg(placeOf(serviceUrl));
}

QString refusalText(const ServiceReply &answer, bool ownKey)
{
    if (ownKey && answer.error == Protocol::ErrorCode::ModelRefusedKey)
        return CodeGeneratorInUse::tr("The model server refused your API key; check it in Settings > Code generator…");
    return answer.message;
}
