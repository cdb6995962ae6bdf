#include "programcheck.h"

#include "protocol/messages.h"

#include <mqlcheck.h>

#include <QJsonObject>

#include <algorithm>
#include <iterator>

namespace {

struct AskedFor
{
    std::string_view rule;
    QStringList words; // lower case
};

// What in a request asks for a rule's risk. Rules without words are never asked for.
const AskedFor askedFor[] = {
    {mqlcheck::risk::DllImport, {"dll", "#import", "动态链接库", "動態連結庫"}},
    {mqlcheck::risk::Network,
     {"web", "http", "url", "internet", "telegram", "mail", "ftp", "socket", "discord", "slack",
      "网络", "網路", "網絡", "邮件", "郵件", "电报", "電報", "网址", "網址"}},
    {mqlcheck::risk::CommonFiles,
     {"file_common", "common folder", "common files", "shared folder", "共享文件夹", "公共文件夹",
      "共用資料夾", "公用資料夾"}},
    {mqlcheck::risk::NoStopLoss,
     {"no stop", "without stop", "without a stop", "no sl", "without sl", "sl 0", "stop loss 0",
      "无止损", "不设止损", "不要止损", "没有止损", "無止損", "不設止損", "無停損", "不設停損",
      "不要停損", "沒有停損"}},
    {mqlcheck::risk::Martingale,
     {"martingale", "doubl", "multipl", "马丁", "馬丁", "加倍", "倍投"}},
    {mqlcheck::risk::Grid, {"grid", "网格", "網格"}},
    {mqlcheck::risk::OrderStorm, {"every tick", "each tick", "每个tick", "每個tick"}},
};

bool asked(std::string_view rule, const QString &requests)
{
    // Account data sent out is what a request for a network report asks for.
    const std::string_view wordsOf =
        rule == mqlcheck::risk::AccountDataOut ? mqlcheck::risk::Network : rule;
    const auto entry = std::find_if(std::begin(askedFor), std::end(askedFor),
                                    [&](const AskedFor &a) { return a.rule == wordsOf; });
    return entry != std::end(askedFor)
           && std::any_of(entry->words.begin(), entry->words.end(),
                          [&](const QString &word) { return requests.contains(word); });
}

std::string_view utf8View(const QByteArray &bytes)
{
    return std::string_view(bytes.constData(), size_t(bytes.size()));
}

mqlcheck::Language languageOf(const ProgramKind &kind)
{
    return kind.platform == Protocol::Platform::Mt4 ? mqlcheck::Language::Mql4
                                                    : mqlcheck::Language::Mql5;
}

} // namespace

QStringList programErrors(const QString &program, const ProgramKind &kind)
{
    const QByteArray source = program.toUtf8();
    const std::vector<mqlcheck::Finding> findings = mqlcheck::checkProgram(
        utf8View(source), languageOf(kind),
        kind.type == Protocol::ProgramType::Indicator ? mqlcheck::Kind::Indicator
                                                  : mqlcheck::Kind::ExpertAdvisor);
    QStringList errors;
    for (const mqlcheck::Finding &finding : findings) {
        if (finding.severity != mqlcheck::Finding::Severity::Error)
            continue;
        const QString message = QString::fromStdString(finding.message);
        errors.append(
            finding.line > 0
                ? QStringLiteral("line %1: %2").arg(QString::number(finding.line), message)
                : message);
    }
    return errors;
}

namespace {

// What the risk review finds in the program, in the order of its lines.
std::vector<mqlcheck::RiskFinding> programRisks(const QString &program, const ProgramKind &kind)
{
    const QByteArray source = program.toUtf8();
    return mqlcheck::reviewRisks(utf8View(source), languageOf(kind));
}

} // namespace

QJsonObject programData(const QString &program, const ProgramKind &kind)
{
    QJsonArray warnings;
    for (const mqlcheck::RiskFinding &finding : programRisks(program, kind)) {
        warnings.append(QJsonObject{{Field::Rule, QString::fromStdString(finding.rule)},
                                    {Field::Line, finding.line},
                                    {Field::Message, QString::fromStdString(finding.explanation)}});
    }
    QJsonObject data{{Field::Response, program}};
    if (!warnings.isEmpty())
        data.insert(Field::Warnings, warnings);
    return data;
}

QStringList unaskedRisks(const QString &program, const ProgramKind &kind, const QStringList &requests)
{
    const QString asking = requests.join(u'\n').toLower();
    QStringList risks;
    for (const mqlcheck::RiskFinding &finding : programRisks(program, kind)) {
        if (!asked(finding.rule, asking))
            risks.append(QStringLiteral("line %1: %2").arg(QString::number(finding.line),
                                                            QString::fromStdString(finding.explanation)));
    }
    return risks;
}
