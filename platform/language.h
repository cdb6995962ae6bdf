#pragma once

#include "protocol/domain.h"

// The interface language. The "language" setting keeps it as the index it has always had:
// 0 English, 1 Simplified Chinese, 2 Traditional Chinese; requests carry its wire name.

// The stored language; English when the setting is absent, not a number or out of range.
Protocol::Language storedLanguage();

// The language of a stored index, English for any other number.
Protocol::Language languageAt(int index);

// Installs the catalogues of language and stores its index, so the next start comes up the
// same way.
void applyLanguage(Protocol::Language language);
