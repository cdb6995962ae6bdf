#pragma once

#include "client/archive/storedchat.h"

#include <QString>

// Kept chats as a trader's folder holds them after a few months, for the benchmarks that
// need a full archive.
namespace StoredChatsFixture {

constexpr int Chats = 1000;
constexpr int Turns = 20;

// A chat of the given turns (a request, the answer's program, the compile's notice each),
// its programs spread over the given number of files, each kept with its versions.
StoredChat makeChat(int index, int turns, int programs);

// Writes Chats chats of Turns turns into folder; false when they could not all be written.
bool fill(const QString &folder);

} // namespace StoredChatsFixture
