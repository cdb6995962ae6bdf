#include "prompts.h"

namespace {

QString platformRules(Protocol::Platform platform)
{
    if (platform == Protocol::Platform::Mt4) {
        return QStringLiteral(
            "Write MQL4 for MetaTrader 4. Start with #property strict. Indicator values come "
            "straight from iMA, iRSI and the like with a shift argument. Trade with OrderSend, "
            "OrderClose and OrderSelect, with Bid/Ask and NormalizeDouble; never use MQL5 "
            "functions such as CopyBuffer, CTrade or PositionSelect.");
    }
    return QStringLiteral(
        "Write MQL5 for MetaTrader 5. Indicator functions such as iMA and iRSI return handles: "
        "create them in OnInit, check for INVALID_HANDLE, read values with CopyBuffer and "
        "release them in OnDeinit. Trade with CTrade from <Trade/Trade.mqh> and positions with "
        "PositionSelect; never use MQL4 functions such as OrderSend with MQL4 arguments, "
        "OrderSelect, Bid/Ask variables or iMA with a shift argument.");
}

QString typeRules(Protocol::ProgramType type)
{
    if (type == Protocol::ProgramType::Indicator) {
        return QStringLiteral(
            "The program is a custom indicator: declare #property indicator_chart_window or "
            "indicator_separate_window, the buffers and plots, and implement OnInit and "
            "OnCalculate (the full form with rates_total and prev_calculated). It never trades.");
    }
    return QStringLiteral(
        "The program is an Expert Advisor: implement OnInit, OnDeinit and OnTick, trade at most "
        "once per new bar unless asked otherwise, check every trade result, and expose lot "
        "size, stop loss and take profit.");
}

QString languageName(Protocol::Language language)
{
    switch (language) {
    case Protocol::Language::SimplifiedChinese:
        return QStringLiteral("Simplified Chinese");
    case Protocol::Language::TraditionalChinese:
        return QStringLiteral("Traditional Chinese");
    case Protocol::Language::English:
        break;
    }
    return QStringLiteral("English");
}

} // namespace

QString Prompts::system(const ProgramKind &kind, Protocol::Language language)
{
    const QString fence = kind.platform == Protocol::Platform::Mt4 ? QStringLiteral("mql4")
                                                                       : QStringLiteral("mql5");
    return QStringLiteral(
               "You write trading programs for MetaTrader traders. %1 %2 Make every tunable "
               "value an input variable with a short comment. Answer with one complete program "
               "that compiles as it is, in exactly one fenced code block tagged %3, followed by "
               "a short explanation of what it does, in %4. When the trader refines the "
               "request, answer with the whole updated program again, never a fragment.")
        .arg(platformRules(kind.platform), typeRules(kind.type), fence, languageName(language));
}

QString Prompts::repair(const QStringList &findings)
{
    return QStringLiteral("A check of this program found these problems:\n- %1\nFix them and "
                          "answer with the whole corrected program in one fenced code block.")
        .arg(findings.join(QStringLiteral("\n- ")));
}

QString Prompts::compileErrors(const QStringList &errors, const QString &request)
{
    QString prompt = QStringLiteral("MetaTrader's compiler reports these errors for your latest "
                                    "program:\n- %1\nFix them and answer with the whole "
                                    "corrected program in one fenced code block.")
                         .arg(errors.join(QStringLiteral("\n- ")));
    if (!request.trimmed().isEmpty())
        prompt += QStringLiteral("\n\n") + request.trimmed();
    return prompt;
}

QString Prompts::earlierRequests(const QStringList &requests)
{
    return QStringLiteral("My earlier requests in this chat:\n- %1")
        .arg(requests.join(QStringLiteral("\n- ")));
}

QString Prompts::programToContinue()
{
    return QStringLiteral("Here is the program I am working on; I will ask you to change it.");
}
