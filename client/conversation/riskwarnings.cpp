#include "client/conversation/riskwarnings.h"

#include "protocol/domain.h"

#include <riskreview.h>

#include <QCoreApplication>

#include <algorithm>
#include <iterator>

namespace {

struct Phrase
{
    std::string_view rule;
    const char *text; // %1: what the finding is about
};

const Phrase phrases[] = {
    {mqlcheck::risk::DllImport,
     QT_TRANSLATE_NOOP("RiskWarnings", "Loads the DLL \"%1\", which runs outside MetaTrader's control "
                                       "with all the rights of your Windows account")},
    {mqlcheck::risk::Network,
     QT_TRANSLATE_NOOP("RiskWarnings", "Calls %1, which sends data over the internet")},
    {mqlcheck::risk::AccountDataOut,
     QT_TRANSLATE_NOOP("RiskWarnings", "Reads account data (%1) in a program that sends data over the "
                                       "internet: your account's details may leave this computer "
                                       "(heuristic)")},
    {mqlcheck::risk::CommonFiles,
     QT_TRANSLATE_NOOP("RiskWarnings", "Opens files with %1, in the folder all terminals share, outside "
                                       "this terminal's own sandbox")},
    {mqlcheck::risk::NoStopLoss,
     QT_TRANSLATE_NOOP("RiskWarnings", "%1 opens a trade without a stop loss, and none is set "
                                       "afterwards: its loss has no limit (heuristic)")},
    {mqlcheck::risk::Martingale,
     QT_TRANSLATE_NOOP("RiskWarnings", "Multiplies the lot (%1) after a losing trade, a martingale: "
                                       "losses grow geometrically (heuristic)")},
    {mqlcheck::risk::Grid,
     QT_TRANSLATE_NOOP("RiskWarnings", "Opens more orders as the price moves in steps (%1), a grid: "
                                       "the exposure grows with each step the price goes against it "
                                       "(heuristic)")},
    {mqlcheck::risk::UnboundedLot,
     QT_TRANSLATE_NOOP("RiskWarnings", "The lot given to %1 is computed at run time and never limited "
                                       "by the symbol's maximum volume or a fixed cap (heuristic)")},
    {mqlcheck::risk::OrderStorm,
     QT_TRANSLATE_NOOP("RiskWarnings", "%1 runs from OnTick without looking at open positions, a new "
                                       "bar or the time: it may send an order on every tick "
                                       "(heuristic)")},
    {mqlcheck::risk::UncheckedTrade,
     QT_TRANSLATE_NOOP("RiskWarnings", "The result of %1 is never checked: a refused or failed order "
                                       "goes unnoticed")},
    {mqlcheck::risk::EndlessLoop,
     QT_TRANSLATE_NOOP("RiskWarnings", "This %1 loop has no break, return or IsStopped() check: it "
                                       "never ends and freezes the terminal")},
};

} // namespace

QString RiskWarnings::wording(const QString &rule, const QString &subject)
{
    const QByteArray id = rule.toUtf8();
    const auto phrase = std::find_if(std::begin(phrases), std::end(phrases), [&](const Phrase &p) {
        return p.rule == std::string_view(id.constData(), size_t(id.size()));
    });
    if (phrase == std::end(phrases))
        return rule;
    return QCoreApplication::translate("RiskWarnings", phrase->text).arg(subject);
}

QList<RiskWarnings::Warning> RiskWarnings::review(const QString &code, Protocol::Platform platform)
{
    const QByteArray source = code.toUtf8();
    const mqlcheck::Language language = platform == Protocol::Platform::Mt4
        ? mqlcheck::Language::Mql4
        : mqlcheck::Language::Mql5;
    QList<Warning> warnings;
    for (const mqlcheck::RiskFinding &finding :
         mqlcheck::reviewRisks(std::string_view(source.constData(), size_t(source.size())), language)) {
        const QString rule = QString::fromStdString(finding.rule);
        const QString subject = QString::fromStdString(finding.subject);
        warnings.append({rule, finding.line, wording(rule, subject), subject});
    }
    return warnings;
}

QList<RiskWarnings::Warning> RiskWarnings::describe(const QList<RiskWarning> &found, const QString &code,
                                                    Protocol::Platform platform)
{
    const QList<Warning> own = review(code, platform);
    const QStringList lines = code.split(QLatin1Char('\n'));
    QList<Warning> warnings;
    for (const RiskWarning &finding : found) {
        const auto same = std::find_if(own.begin(), own.end(), [&](const Warning &warning) {
            return warning.rule == finding.rule && warning.line == finding.line;
        });
        if (same != own.end()) {
            warnings.append(*same);
        } else {
            const QString subject = lines.value(finding.line - 1).trimmed();
            warnings.append({finding.rule, finding.line, wording(finding.rule, subject), subject});
        }
    }
    return warnings;
}
