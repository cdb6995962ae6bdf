#pragma once

#include "finding.h"

#include <QString>

// The checks a compile makes on one source file: that it can be read and is a program of a
// known language, then the program checks of mqlcheck.
namespace SourceCheck {

enum class Language { Unsupported, Mql4, Mql5 };

// By the extension: ".mq4" or ".mq5".
Language languageOf(const QString &sourcePath);

// Reads the file (UTF-8 unless a byte-order mark says otherwise) and checks it.
FindingList run(const QString &sourcePath);

} // namespace SourceCheck
