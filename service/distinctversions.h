#pragma once

#include "service/storedchat.h"

#include <QList>

// The versions of a program as a trader tells them apart. A version chosen again ("Use this
// version") is kept as a copy of it, with the same text: each text is listed once, where it
// first came, with its first time and request, the verdict of its latest compile, and the
// number of its latest copy, or current's when one of its copies is the chat's program.
QList<ProgramVersion> distinctVersions(const QList<ProgramVersion> &versions, int current);
