#pragma once

#include <chrono>

class QNetworkReply;

// Runs a nested event loop until reply finishes. With a non-zero bound, a reply still
// running when it expires is aborted, so the wait never outlasts it. Returns whether the
// reply finished by itself. Other events, replies of other managers included, keep being
// delivered meanwhile.
bool waitForReply(QNetworkReply *reply,
                  std::chrono::milliseconds bound = std::chrono::milliseconds::zero());
