#include "offlinegenerator.h"

#include "offlinetexts.h"
#include "programwriter.h"

#include <QJsonDocument>

namespace offline {

namespace {

// An ATR rule only filters: without another rule nothing says which way to trade.
bool hasDirection(const Strategy &strategy)
{
    return std::any_of(strategy.rules.begin(), strategy.rules.end(),
                       [](const Rule &rule) { return rule.indicator != Indicator::Atr; });
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

} // namespace

Answer OfflineGenerator::answer(const Strategy &before, const QString &request,
                                const Target &target, Language language)
{
    const Reading reading = readRequest(before, request);
    Answer answer;
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
        rules.append(ruleNotation(rule));
    answer.summary = rules.join(reading.strategy.anyRule ? " | " : " & ");
    if (!before.isEmpty())
        answer.changes = changesBetween(before, reading.strategy, target, language);
    answer.details = describe(reading.strategy, target, language) + unbuiltLines;
    answer.program = writeProgram(reading.strategy, target, answer.details);
    return answer;
}

std::optional<Strategy> OfflineGenerator::fromProgram(const QString &source)
{
    const QString prefix = QString::fromUtf16(strategyLinePrefix);
    const qsizetype at = source.indexOf(prefix);
    if (at < 0 || (at > 0 && source.at(at - 1) != u'\n'))
        return std::nullopt;
    const qsizetype start = at + prefix.size();
    const qsizetype end = source.indexOf(u'\n', start);
    const QJsonDocument json = QJsonDocument::fromJson(source.mid(start, end < 0 ? -1 : end - start).toUtf8());
    if (!json.isObject())
        return std::nullopt;
    return Strategy::fromJson(json.object());
}

} // namespace offline
