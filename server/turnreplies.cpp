#include "turnreplies.h"

#include "protocol/errorcode.h"

namespace TurnReplies {
namespace {

QString notSaved(ReplyTexts::Language language)
{
    switch (language) {
    case ReplyTexts::Language::SimplifiedChinese:
        return QStringLiteral("程序已写好，但本次对话未能保存：服务无法连接会话存储。请先保留这个程序；"
                              "稍后再发送下一条消息，若对话已不记得这个程序，请开始新的对话并附上它。");
    case ReplyTexts::Language::TraditionalChinese:
        return QStringLiteral("程式已寫好，但本次對話未能儲存：服務無法連線會話儲存。請先保留這個程式；"
                              "稍後再傳送下一則訊息，若對話已不記得這個程式，請開始新的對話並附上它。");
    case ReplyTexts::Language::English:
        break;
    }
    return QStringLiteral("The program is ready, but this chat could not be saved: the service "
                          "cannot reach its session store. Keep this program; send your next "
                          "message in a minute, and if the chat no longer remembers the program, "
                          "start a new chat with it.");
}

} // namespace

ApiReply afterSave(const ApiReply &reply, bool saved, ReplyTexts::Language language)
{
    if (saved || !reply.body.value(QLatin1String("success")).toBool())
        return reply;
    ApiReply unsaved = reply;
    const QString said = reply.body.value(QLatin1String("message")).toString();
    unsaved.body.insert(QStringLiteral("message"),
                        said.isEmpty() ? notSaved(language) : said + QStringLiteral("\n\n") + notSaved(language));
    unsaved.body.insert(QStringLiteral("error"),
                        Protocol::errorCodeName(Protocol::ErrorCode::ChatNotSaved));
    return unsaved;
}

ApiReply stopUnheard(const QString &sessionId, qint64 leaseMs)
{
    ApiReply reply = ApiReply::outcome(
        ApiReply::Status::Ok, false, QStringLiteral("cancel"),
        QStringLiteral("The instance that runs this chat does not answer; the chat is free "
                       "again within %1 s.")
            .arg((leaseMs + 999) / 1000),
        sessionId);
    reply.body.insert(QStringLiteral("error"),
                      Protocol::errorCodeName(Protocol::ErrorCode::ChatBusy));
    return reply;
}

} // namespace TurnReplies
