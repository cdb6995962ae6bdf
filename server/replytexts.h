#pragma once

#include "programkind.h"

#include <QString>

// What the user reads in the replies, in the client's language: English, or Chinese in
// simplified or traditional script.
class ReplyTexts final
{
public:
    enum class Language { English, SimplifiedChinese, TraditionalChinese };

    // From a code like "en", "zh-CN" or "zh-TW"; English for anything unknown.
    static Language languageOf(const QString &code);

    static QString greeting(Language language, const ProgramKind &kind);
    static QString programReady(Language language, const ProgramKind &kind, const QString &summary);
};
