#include "protocol/domain.h"

#include <QLocale>

namespace Protocol {

QString wireName(Platform platform)
{
    return platform == Platform::Mt4 ? QStringLiteral("MT4") : QStringLiteral("MT5");
}

QString wireName(ProgramType type)
{
    return type == ProgramType::Indicator ? QStringLiteral("indicator") : QStringLiteral("ea");
}

QString wireName(Language language)
{
    switch (language) {
    case Language::SimplifiedChinese:
        return QStringLiteral("zh-CN");
    case Language::TraditionalChinese:
        return QStringLiteral("zh-TW");
    case Language::English:
        break;
    }
    return QStringLiteral("en");
}

std::optional<Platform> platformNamed(const QString &name)
{
    if (name.compare(QLatin1String("MT4"), Qt::CaseInsensitive) == 0)
        return Platform::Mt4;
    if (name.compare(QLatin1String("MT5"), Qt::CaseInsensitive) == 0)
        return Platform::Mt5;
    return std::nullopt;
}

std::optional<ProgramType> programTypeNamed(const QString &name)
{
    if (name.compare(QLatin1String("indicator"), Qt::CaseInsensitive) == 0)
        return ProgramType::Indicator;
    if (name.compare(QLatin1String("ea"), Qt::CaseInsensitive) == 0)
        return ProgramType::ExpertAdvisor;
    return std::nullopt;
}

std::optional<Language> languageNamed(const QString &name)
{
    const QLocale locale(name.trimmed());
    if (locale.language() == QLocale::English)
        return Language::English;
    if (locale.language() != QLocale::Chinese)
        return std::nullopt;
    return locale.script() == QLocale::TraditionalChineseScript ? Language::TraditionalChinese
                                                                : Language::SimplifiedChinese;
}

QString sourceExtension(Platform platform)
{
    return platform == Platform::Mt4 ? QStringLiteral(".mq4") : QStringLiteral(".mq5");
}

QString mqlFolderName(Platform platform)
{
    return platform == Platform::Mt4 ? QStringLiteral("MQL4") : QStringLiteral("MQL5");
}

} // namespace Protocol
