#pragma once

#include "codetext.h"
#include "finding.h"

#include <QString>

// The checks a compile makes on one source file: that it can be read and is a program of a
// known language, that its brackets pair up, that it has the entry points its kind of
// program needs and uses nothing plainly of the other language. Light checks: what they
// refuse is surely wrong, what they accept may still fail a real compile.
class SourceCheck final
{
public:
    enum class Language { Unsupported, Mql4, Mql5 };

    // By the extension: ".mq4" or ".mq5".
    static Language languageOf(const QString &sourcePath);

    // Reads the file (UTF-8 unless a byte-order mark says otherwise) and checks it.
    static FindingList run(const QString &sourcePath);

private:
    enum class Kind { Indicator, ExpertAdvisor };

    SourceCheck(const QString &text, Language language, bool inIndicatorsFolder);

    FindingList findings() const;
    FindingList bracketFindings() const;
    FindingList entryPointFindings() const;
    FindingList foreignConstructFindings() const;
    bool defines(const QString &function) const;
    QString languageName() const;

    CodeText m_text;
    Language m_language;
    Kind m_kind;
};
