#pragma once

#include "programkind.h"

#include <QString>
#include <QStringList>

// The errors the stand-in compiler would report for a program, "line N: what", so that a
// program that cannot compile is never handed out as an answer.
QStringList programErrors(const QString &program, const ProgramKind &kind);
