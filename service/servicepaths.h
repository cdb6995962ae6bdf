#pragma once

#include <QString>

// Endpoint paths, appended to the base address as plain text.
namespace ServicePath {
inline const QString NewChat = QStringLiteral("/api/new");
inline const QString Chat = QStringLiteral("/api/chat");
inline const QString Session = QStringLiteral("/api/session");
inline const QString VersionCheck = QStringLiteral("/api/version_check");
} // namespace ServicePath
