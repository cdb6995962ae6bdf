#include "offlinegenerator.h"

#include "indicators.h"
#include "lexicon.h"
#include "offlinetexts.h"
#include "programwriter.h"

#include <QJsonDocument>
#include <QRegularExpression>

namespace offline {

namespace {

// An ATR rule only filters: without another rule nothing says which way to trade.
bool hasDirection(const Strategy &strategy)
{
    return std::any_of(strategy.rules.begin(), strategy.rules.end(),
                       [](const Rule &rule) { return describedIndicator(rule.indicator).direction; });
}

QStringList changesBetween(const Strategy &before, const Strategy &after, const Target &target,
                           Language language)
{
    const auto old = facts(before, target, language);
    const auto now = facts(after, target, language);
    QStringList changes;
    for (const auto &[key, text] : now) {
        const auto was = std::find_if(old.begin(), old.end(), [&key = key](const auto &f) { return f.first == key; });
        if (was == old.end())
            changes.append(QStringLiteral("+ ") + text);
        else if (was->second != text)
            changes.append(was->second + QStringLiteral(" → ") + text);
    }
    for (const auto &[key, text] : old) {
        if (std::none_of(now.begin(), now.end(), [&key = key](const auto &f) { return f.first == key; }))
            changes.append(QStringLiteral("− ") + text);
    }
    return changes;
}

// The request names the platform the chat does not write for: "change it to MT4".
bool namesOtherPlatform(const QString &request, const Target &target)
{
    static const QRegularExpression platform(QStringLiteral("(?:\\b|(?<=\\p{Han}))(?:mt|mql|metatrader)\\s*([45])(?!\\d)"),
                                             QRegularExpression::CaseInsensitiveOption);
    const QChar other = target.mql5 ? u'4' : u'5';
    for (auto it = platform.globalMatch(request); it.hasNext();) {
        if (it.next().captured(1).at(0) == other)
            return true;
    }
    return false;
}

} // namespace

Answer OfflineGenerator::answer(const Strategy &before, const QString &request,
                                const Target &target, Language interfaceLanguage)
{
    const Language language = languageOf(request, interfaceLanguage);
    Answer answer;
    answer.language = language;
    // Reading costs in proportion to the text: a strategy is told in far fewer words, and a
    // longer text (a pasted program, a log) is not read at all.
    constexpr qsizetype longestRequest = 3000;
    if (request.size() > longestRequest) {
        answer.strategy = before;
        answer.refusal = tooLong(longestRequest, language);
        return answer;
    }
    if (namesOtherPlatform(request, target)) {
        answer.strategy = before;
        answer.refusal = otherPlatform(target, language);
        return answer;
    }
    const Reading reading = readRequest(before, request);
    if (!reading.contradictions.isEmpty()) {
        answer.strategy = before;
        QStringList questions;
        for (const auto &[first, second] : reading.contradictions)
            questions.append(contradiction(first, second, language));
        answer.refusal = questions.join(u'\n');
        return answer;
    }
    answer.unbuilt = reading.unbuilt + partsOutsideTarget(reading.strategy, target, language);
    QStringList unbuiltLines;
    for (const Unbuilt &unbuilt : answer.unbuilt)
        unbuiltLines.append(unbuiltLine(unbuilt, language));
    if (!hasDirection(reading.strategy)) {
        answer.strategy = before;
        answer.refusal = (QStringList{nothingToBuild(language)} + unbuiltLines).join(u'\n');
        return answer;
    }
    answer.built = true;
    answer.strategy = reading.strategy;
    QStringList rules;
    for (const Rule &rule : reading.strategy.rules)
        rules.append(ruleNotation(rule, language));
    answer.summary = rules.join(reading.strategy.anyRule ? " | " : " & ");
    if (!before.isEmpty())
        answer.changes = changesBetween(before, reading.strategy, target, language);
    answer.details = describe(reading.strategy, target, language) + unbuiltLines;
    answer.details.append(completeness(answer.unbuilt.isEmpty(), language));
    answer.program = writeProgram(reading.strategy, target, answer.details, language);
    return answer;
}

Strategy OfflineGenerator::replayed(const QStringList &requests, const Target &target)
{
    Strategy strategy;
    for (const QString &request : requests) {
        const Answer next = answer(strategy, request, target, Language::English);
        if (next.built)
            strategy = next.strategy;
    }
    return strategy;
}

bool OfflineGenerator::asksToRebuild(const QString &request)
{
    static const QRegularExpression words(anyLanguage(&Lexicon::rebuild), QRegularExpression::CaseInsensitiveOption);
    return request.contains(words);
}

std::optional<Described> OfflineGenerator::describedBy(const QString &source)
{
    // A line or a program far beyond anything this generator writes is none of its own, and is
    // refused before it costs a parse or a digest.
    constexpr qsizetype longestLine = 8 * 1024;
    constexpr qsizetype longestProgram = 512 * 1024;
    const QString prefix = QString::fromUtf16(strategyLinePrefix);
    const qsizetype at = source.indexOf(prefix);
    if (at < 0 || (at > 0 && source.at(at - 1) != u'\n') || source.size() > longestProgram)
        return std::nullopt;
    const qsizetype start = at + prefix.size();
    const qsizetype newline = source.indexOf(u'\n', start);
    const qsizetype end = newline > start && source.at(newline - 1) == u'\r' ? newline - 1 : newline < 0 ? source.size() : newline;
    if (end - start > longestLine)
        return std::nullopt;
    const QJsonDocument json = QJsonDocument::fromJson(QStringView(source).mid(start, end - start).toUtf8());
    if (!json.isObject())
        return std::nullopt;
    std::optional<Strategy> strategy = Strategy::fromJson(json.object());
    if (!strategy)
        return std::nullopt;
    const QString rest = source.left(at) + source.mid(newline < 0 ? source.size() : newline + 1);
    return Described{*std::move(strategy), json.object().value("digest").toString() == programDigest(rest)};
}

std::optional<Strategy> OfflineGenerator::fromProgram(const QString &source)
{
    std::optional<Described> described = describedBy(source);
    if (!described || !described->intact)
        return std::nullopt;
    return std::move(described->strategy);
}

} // namespace offline
