#pragma once

#include "protocol/messages.h"
#include "client/connection/codegeneratorchoice.h"

#include <QCoreApplication>
#include <QString>

// Which code generator writes the trader's programs at the moment, as the window shows it
// beside Send: the client's own service with its templates or a model, or a service that the
// client did not start (another client's, an administrator's, a remote one), which writes them
// its own way. Addresses are shown without user or password.
struct CodeGeneratorInUse final
{
    Q_DECLARE_TR_FUNCTIONS(CodeGeneratorInUse)

public:
    enum class Kind { Templates, Model, Service };

    Kind kind = Kind::Service;
    QString serviceUrl;   // where the chats go
    ServiceBackend backend; // the client's own service's; unused for Kind::Service

    // ownService: the service at serviceUrl is the client's own, started with backend.
    static CodeGeneratorInUse of(const QString &serviceUrl, bool ownService, const ServiceBackend &backend);

    QString label() const;
    // What wrote a program, as a chat keeps it with the answer: not translated, no password.
    QString identity() const;
    QString toolTip() const;
    // The first line of Settings > Code generator: what writes the programs now, and, for a
    // service the client did not start, that the choice there is for the client's own one.
    QString inUseNow() const;
    // The model server's refusals concern the trader's own key: one typed in Settings.
    bool usesOwnKey() const { return kind == Kind::Model && !backend.apiKey.isEmpty(); }
};

// What the chat says of a failed request: the service's own words, except where a model
// server refused the trader's own key, which only the trader can fix.
QString refusalText(const ServiceReply &answer, bool ownKey);
