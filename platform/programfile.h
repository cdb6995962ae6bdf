#pragma once

#include "protocol/domain.h"

#include <QString>

// A program of the trader's own, read to be changed in a chat: what it is is read from the
// file itself, its extension and the functions it defines.
struct ProgramFile final
{
    QString path;
    QString name; // the file name without extension: changes are saved under it
    QString source;
    Protocol::Platform platform = Protocol::Platform::Mt5;
    Protocol::ProgramType type = Protocol::ProgramType::ExpertAdvisor;
    QString error; // why it cannot be used; the rest is empty then

    // Reads path (".mq4" or ".mq5"), in whichever encoding its byte order mark names, else UTF-8.
    static ProgramFile read(const QString &path);
    // An indicator defines OnCalculate, an EA OnTick; without either the folder it is in decides.
    static Protocol::ProgramType typeOf(const QString &source, const QString &path);
};
