#pragma once

// The values that client and service exchange about a chat, each with its one spelling on the
// wire. Everything else speaks in these enums; strings appear only at the edges.

#include <QString>

#include <optional>

namespace Protocol {

enum class Platform { Mt4, Mt5 };
enum class ProgramType { Indicator, ExpertAdvisor };
enum class Language { English, SimplifiedChinese, TraditionalChinese };

// "MT4"/"MT5", "indicator"/"ea", "en"/"zh-CN"/"zh-TW".
QString wireName(Platform platform);
QString wireName(ProgramType type);
QString wireName(Language language);

// Platforms and types in any case, as the service has always taken them; nullopt for others.
std::optional<Platform> platformNamed(const QString &name);
std::optional<ProgramType> programTypeNamed(const QString &name);
// A language tag as a locale reads it ("zh-CN", "zh-Hant", "zh-HK", "en-GB"); nullopt for a
// language the interface does not speak.
std::optional<Language> languageNamed(const QString &name);

// The source file's extension, ".mq4" or ".mq5", and its folder, "MQL4" or "MQL5".
QString sourceExtension(Platform platform);
QString mqlFolderName(Platform platform);

} // namespace Protocol
