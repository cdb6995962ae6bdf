#pragma once

#include <QString>

// The folders the trader gave for each platform, kept between runs.
namespace TerminalFolders {

struct Pair final
{
    QString install;
    QString data;
};

// platform is "MT4" or "MT5"; empty folders when none were kept.
Pair load(const QString &platform);
void save(const QString &platform, const Pair &folders);

} // namespace TerminalFolders
