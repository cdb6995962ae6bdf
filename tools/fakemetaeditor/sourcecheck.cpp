#include "sourcecheck.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <utility>

namespace {

struct ForeignConstruct
{
    SourceCheck::Language missingIn;
    const char *pattern;
    const char *what;
};

// Only constructs that plainly belong to the other language, so that a valid program is
// never refused.
const ForeignConstruct foreignConstructs[] = {
    {SourceCheck::Language::Mql4, R"(\bCopyBuffer\s*\()", "function 'CopyBuffer'"},
    {SourceCheck::Language::Mql4, R"(#\s*include\s*<Trade[\\/]Trade\.mqh>)",
     "include file 'Trade\\Trade.mqh'"},
    {SourceCheck::Language::Mql4, R"(\bCTrade\b)", "class 'CTrade'"},
    {SourceCheck::Language::Mql5, R"(\bIndicatorBuffers\s*\()", "function 'IndicatorBuffers'"},
    {SourceCheck::Language::Mql5, R"(\bSetIndexStyle\s*\()", "function 'SetIndexStyle'"},
    {SourceCheck::Language::Mql5, R"(\bMarketInfo\s*\()", "function 'MarketInfo'"},
};

constexpr QLatin1String openers("{(");
constexpr QLatin1String closers("})");

bool declaresIndicator(const QString &code)
{
    static const QRegularExpression indicatorProperty(
        QStringLiteral(R"(^\s*#\s*property\s+indicator_)"), QRegularExpression::MultilineOption);
    return code.contains(indicatorProperty);
}

QString decoded(const QByteArray &bytes)
{
    const auto marked = QStringConverter::encodingForData(bytes);
    QStringDecoder decoder(marked.value_or(QStringConverter::Utf8));
    return decoder.decode(bytes);
}

} // namespace

SourceCheck::Language SourceCheck::languageOf(const QString &sourcePath)
{
    const QString suffix = QFileInfo(sourcePath).suffix();
    if (suffix.compare(QLatin1String("mq4"), Qt::CaseInsensitive) == 0)
        return Language::Mql4;
    if (suffix.compare(QLatin1String("mq5"), Qt::CaseInsensitive) == 0)
        return Language::Mql5;
    return Language::Unsupported;
}

FindingList SourceCheck::run(const QString &sourcePath)
{
    const QFileInfo info(sourcePath);
    const Language language = languageOf(sourcePath);
    if (language == Language::Unsupported) {
        return {Finding::error(Finding::Code::UnsupportedFileType, 1, 1,
                               QStringLiteral("unsupported file type '%1'").arg(info.fileName()))};
    }
    QFile file(sourcePath);
    if (!file.open(QIODevice::ReadOnly)) {
        return {Finding::error(Finding::Code::CannotOpenSource, 0, 0,
                               QStringLiteral("cannot open source file '%1': %2")
                                   .arg(info.fileName(), file.errorString()))};
    }
    const QString text = decoded(file.readAll());
    if (text.trimmed().isEmpty()) {
        return {Finding::error(Finding::Code::EmptySource, 1, 1,
                               QStringLiteral("source file is empty"))};
    }
    const bool inIndicatorsFolder = info.absoluteDir().dirName().compare(
                                        QLatin1String("Indicators"), Qt::CaseInsensitive)
                                    == 0;
    return SourceCheck(text, language, inIndicatorsFolder).findings();
}

SourceCheck::SourceCheck(const QString &text, Language language, bool inIndicatorsFolder)
    : m_text(text)
    , m_language(language)
    , m_kind(inIndicatorsFolder || declaresIndicator(m_text.code()) ? Kind::Indicator
                                                                     : Kind::ExpertAdvisor)
{
}

// In the order of their places in the source, as a compiler meets them.
FindingList SourceCheck::findings() const
{
    FindingList findings = m_text.findings() + bracketFindings() + entryPointFindings()
                           + foreignConstructFindings();
    std::stable_sort(findings.begin(), findings.end(), [](const Finding &a, const Finding &b) {
        return std::pair(a.line, a.column) < std::pair(b.line, b.column);
    });
    return findings;
}

// Each closer pairs with the nearest open bracket of its kind; openers passed over on the
// way are reported as never closed, so a missing closer is shown at the line of its opener
// rather than at the end of the file.
FindingList SourceCheck::bracketFindings() const
{
    FindingList findings;
    QList<qsizetype> open;
    const QString &code = m_text.code();
    const auto unclosed = [&](qsizetype position) {
        return m_text.errorAt(Finding::Code::UnclosedOpener, position,
                              QStringLiteral("'%1' is not closed").arg(code.at(position)));
    };
    for (qsizetype i = 0; i < code.size(); ++i) {
        if (openers.contains(code.at(i))) {
            open.append(i);
            continue;
        }
        const qsizetype kind = closers.indexOf(code.at(i));
        if (kind < 0)
            continue;
        qsizetype match = open.size() - 1;
        while (match >= 0 && code.at(open.at(match)) != openers.at(kind))
            --match;
        if (match < 0) {
            findings.append(m_text.errorAt(Finding::Code::UnexpectedCloser, i,
                                           QStringLiteral("unexpected '%1'").arg(code.at(i))));
            continue;
        }
        for (qsizetype k = match + 1; k < open.size(); ++k)
            findings.append(unclosed(open.at(k)));
        open.resize(match);
    }
    for (const qsizetype position : std::as_const(open))
        findings.append(unclosed(position));
    return findings;
}

// The old MQL4 handlers init() and start() still count there.
FindingList SourceCheck::entryPointFindings() const
{
    FindingList findings;
    const bool mql4 = m_language == Language::Mql4;
    const bool indicator = m_kind == Kind::Indicator;
    const QString handler = indicator ? QStringLiteral("OnCalculate") : QStringLiteral("OnTick");
    if (!defines(handler) && !(mql4 && defines(QStringLiteral("start")))) {
        const QString names = mql4 ? QStringLiteral("'%1' or 'start'").arg(handler)
                                   : QStringLiteral("'%1'").arg(handler);
        findings.append(Finding::error(
            Finding::Code::MissingEntryPoint, 1, 1,
            QStringLiteral("%1 has no %2 function")
                .arg(indicator ? QStringLiteral("indicator") : QStringLiteral("Expert Advisor"),
                     names)));
    }
    if (!defines(QStringLiteral("OnInit")) && !(mql4 && defines(QStringLiteral("init")))) {
        findings.append(Finding::warning(Finding::Code::MissingOnInit, 1, 1,
                                         QStringLiteral("no 'OnInit' function")));
    }
    return findings;
}

// The first use of each construct is enough to tell the program is for the other language.
FindingList SourceCheck::foreignConstructFindings() const
{
    FindingList findings;
    for (const ForeignConstruct &construct : foreignConstructs) {
        if (construct.missingIn != m_language)
            continue;
        const QRegularExpressionMatch match =
            QRegularExpression(QLatin1String(construct.pattern)).match(m_text.code());
        if (!match.hasMatch())
            continue;
        const QString message = QStringLiteral("%1 is not available in %2")
                                    .arg(QLatin1String(construct.what), languageName());
        findings.append(m_text.errorAt(Finding::Code::NotAvailableInLanguage,
                                       match.capturedStart(), message));
    }
    return findings;
}

// A definition, not a mere call: the name, a parameter list, then a body.
bool SourceCheck::defines(const QString &function) const
{
    const QRegularExpression definition(QStringLiteral(R"(\b%1\s*\([^()]*\)\s*\{)").arg(function));
    return m_text.code().contains(definition);
}

QString SourceCheck::languageName() const
{
    return m_language == Language::Mql4 ? QStringLiteral("MQL4") : QStringLiteral("MQL5");
}
