#include "client/conversation/chataction.h"

#include <QStringList>

#include <array>
#include <utility>

namespace {

const QString kScheme = QStringLiteral("brevan:");

constexpr std::array<std::pair<ChatAction::Kind, QLatin1StringView>, 13> kNames = {{
    {ChatAction::Kind::StopRequest, QLatin1StringView("stop-request")},
    {ChatAction::Kind::StopCompile, QLatin1StringView("stop-compile")},
    {ChatAction::Kind::ShowProgram, QLatin1StringView("show")},
    {ChatAction::Kind::CopyProgram, QLatin1StringView("copy")},
    {ChatAction::Kind::Deploy, QLatin1StringView("deploy")},
    {ChatAction::Kind::Restore, QLatin1StringView("restore")},
    {ChatAction::Kind::Versions, QLatin1StringView("versions")},
    {ChatAction::Kind::Regenerate, QLatin1StringView("regenerate")},
    {ChatAction::Kind::Edit, QLatin1StringView("edit")},
    {ChatAction::Kind::FixErrors, QLatin1StringView("fix")},
    {ChatAction::Kind::ShowRequest, QLatin1StringView("show-request")},
    {ChatAction::Kind::Backtest, QLatin1StringView("backtest")},
    {ChatAction::Kind::StopBacktest, QLatin1StringView("stop-backtest")},
}};

// What takes no number: the one request, compile or test under way, the request the bubble shows.
bool numbered(ChatAction::Kind kind)
{
    return kind != ChatAction::Kind::StopRequest && kind != ChatAction::Kind::StopCompile
        && kind != ChatAction::Kind::ShowRequest && kind != ChatAction::Kind::StopBacktest;
}

} // namespace

QString ChatAction::href() const
{
    QString href = kScheme;
    for (const auto &[known, name] : kNames) {
        if (known == kind)
            href += name;
    }
    if (numbered(kind))
        href += QLatin1Char(':') + QString::number(number);
    if (kind == Kind::ShowProgram && line > 0)
        href += QLatin1Char(':') + QString::number(line);
    return href;
}

std::optional<ChatAction> ChatAction::fromHref(const QString &href)
{
    if (!href.startsWith(kScheme))
        return std::nullopt;
    const QStringList parts = href.mid(kScheme.size()).split(QLatin1Char(':'));
    // Kept chats name a program's line "line:N:L"; their fix links carry the errors themselves.
    const QString name = parts.constFirst() == QLatin1String("line") ? QStringLiteral("show") : parts.constFirst();
    for (const auto &[kind, known] : kNames) {
        if (known != name)
            continue;
        ChatAction action{kind, -1, 0};
        if (!numbered(kind))
            return parts.size() == 1 ? std::optional(action) : std::nullopt;
        bool ok = false;
        action.number = parts.value(1).toInt(&ok);
        if (!ok || action.number < 0) {
            if (kind != Kind::FixErrors)
                return std::nullopt;
            action.number = -1;
        }
        action.line = std::max(0, parts.value(2).toInt());
        return action;
    }
    return std::nullopt;
}
