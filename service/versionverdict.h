#pragma once

#include <QByteArray>
#include <QString>

// The service's answer to the version check, read by the same rules as every reply.
struct VersionVerdict final
{
    bool needUpdate = false;
    QString message;
    QString minVersion;
};

VersionVerdict parseVersionVerdict(const QByteArray &body);
