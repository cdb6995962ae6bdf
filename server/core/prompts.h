#pragma once

#include "programkind.h"
#include "replytexts.h"

#include <QString>
#include <QStringList>

// What the model is told: how to write a program for the session's terminal, and what to
// fix when the checks refuse its program.
namespace Prompts {

// Which texts the model is told: a corpus run's report names it, so that runs are compared on
// the same prompts. Raise it with every change to the texts of this file and prompts.cpp.
constexpr int version = 1;

QString system(const ProgramKind &kind, Protocol::Language language);
// The findings of the checks, sent back as the next user message.
QString repair(const QStringList &findings);
// The terminal compiler's errors for the latest program, and what the trader wrote with them.
QString compileErrors(const QStringList &errors, const QString &request);
// The earlier requests of the chat, as one user message, so that roles keep alternating.
QString earlierRequests(const QStringList &requests);
// In their place when the chat has a program but no request yet: the trader brought it.
QString programToContinue();

} // namespace Prompts
