#include "replytexts.h"

#include <QLocale>

namespace {

struct Phrases
{
    QString greeting;
    QString programReady;
    QString indicator;
    QString expertAdvisor;
};

const Phrases &phrasesIn(ReplyTexts::Language language)
{
    static const Phrases english{QStringLiteral("New %1 %2 chat ready. Describe the %2 you want."),
                                 QStringLiteral("Here is your %1 %2: %3."),
                                 QStringLiteral("indicator"), QStringLiteral("Expert Advisor")};
    static const Phrases simplified{QStringLiteral("新的 %1 %2对话已就绪。请描述您想要的%2。"),
                                    QStringLiteral("已生成 %1 %2：%3。"), QStringLiteral("指标"),
                                    QStringLiteral("EA")};
    static const Phrases traditional{QStringLiteral("新的 %1 %2對話已就緒。請描述您想要的%2。"),
                                     QStringLiteral("已生成 %1 %2：%3。"), QStringLiteral("指標"),
                                     QStringLiteral("EA")};
    if (language == ReplyTexts::Language::SimplifiedChinese)
        return simplified;
    if (language == ReplyTexts::Language::TraditionalChinese)
        return traditional;
    return english;
}

QString typeName(const Phrases &phrases, const ProgramKind &kind)
{
    return kind.type == ProgramKind::Type::Indicator ? phrases.indicator : phrases.expertAdvisor;
}

} // namespace

ReplyTexts::Language ReplyTexts::languageOf(const QString &code)
{
    const QLocale locale(code);
    if (locale.language() != QLocale::Chinese)
        return Language::English;
    return locale.script() == QLocale::TraditionalChineseScript ? Language::TraditionalChinese
                                                                : Language::SimplifiedChinese;
}

QString ReplyTexts::greeting(Language language, const ProgramKind &kind)
{
    const Phrases &phrases = phrasesIn(language);
    const QString terminal = kind.platform == ProgramKind::Platform::Mql4 ? QStringLiteral("MT4")
                                                                          : QStringLiteral("MT5");
    return phrases.greeting.arg(terminal, typeName(phrases, kind));
}

QString ReplyTexts::programReady(Language language, const ProgramKind &kind, const QString &summary)
{
    const Phrases &phrases = phrasesIn(language);
    const QString sourceLanguage = kind.platform == ProgramKind::Platform::Mql4
        ? QStringLiteral("MQL4")
        : QStringLiteral("MQL5");
    return phrases.programReady.arg(sourceLanguage, typeName(phrases, kind), summary);
}
