#pragma once

#include <QString>

// Interface languages, as stored under the "language" setting.
enum AppLanguage : int {
    English = 0,
    SimplifiedChinese = 1,
    TraditionalChinese = 2,
};

// The stored language index; 0 when absent or not a number.
int readLanguageSetting();

// Installs the catalogue for the index (Traditional Chinese for anything but 0 and 1)
// and stores the index, so the next start comes up the same way.
void applyLanguage(int index);

// "en", "zh-CN" or "zh-TW" for the stored index, read anew on every call.
QString languageCode();
