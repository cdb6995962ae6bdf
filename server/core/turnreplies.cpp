#include "turnreplies.h"

#include "replytexts.h"

#include "protocol/messages.h"

namespace TurnReplies {
namespace {

QString notSaved(Protocol::Language language)
{
    switch (language) {
    case Protocol::Language::SimplifiedChinese:
        return QStringLiteral("程序已写好，但本次对话未能保存：服务无法连接会话存储。请先保留这个程序；"
                              "稍后再发送下一条消息，若对话已不记得这个程序，请开始新的对话并附上它。");
    case Protocol::Language::TraditionalChinese:
        return QStringLiteral("程式已寫好，但本次對話未能儲存：服務無法連線會話儲存。請先保留這個程式；"
                              "稍後再傳送下一則訊息，若對話已不記得這個程式，請開始新的對話並附上它。");
    case Protocol::Language::English:
        break;
    }
    return QStringLiteral("The program is ready, but this chat could not be saved: the service "
                          "cannot reach its session store. Keep this program; send your next "
                          "message in a minute, and if the chat no longer remembers the program, "
                          "start a new chat with it.");
}

} // namespace

ApiReply refused(SessionStore::Outcome outcome, Protocol::Language language,
                 const QString &sessionId)
{
    const auto reply = [&sessionId](const QString &message, Protocol::ErrorCode error) {
        return ApiReply::outcome(ApiReply::Status::Ok, false, ApiType::Chat, message, sessionId,
                                 error);
    };
    switch (outcome) {
    case SessionStore::Outcome::Busy:
        return reply(ReplyTexts::stillWorking(language), Protocol::ErrorCode::ChatBusy);
    case SessionStore::Outcome::Unavailable:
        return reply(ReplyTexts::chatsUnavailable(language),
                     Protocol::ErrorCode::StoreUnavailable);
    case SessionStore::Outcome::Unknown:
    case SessionStore::Outcome::Done:
        break;
    }
    return reply(QStringLiteral("Unknown session: please start a new chat."),
                 Protocol::ErrorCode::UnknownSession);
}

ApiReply holderStopped(Protocol::Language language, const QString &sessionId, qint64 lapsesInMs)
{
    return ApiReply::outcome(ApiReply::Status::Ok, false, ApiType::Chat,
                             ReplyTexts::answeringInstanceStopped(language,
                                                                  int((lapsesInMs + 999) / 1000)),
                             sessionId, Protocol::ErrorCode::ChatBusy);
}

ApiReply afterSave(const ApiReply &reply, bool saved, Protocol::Language language)
{
    if (saved || !reply.body.value(Field::Success).toBool())
        return reply;
    ApiReply unsaved = reply;
    const QString said = reply.body.value(Field::Message).toString();
    unsaved.body.insert(Field::Message, said.isEmpty()
                            ? notSaved(language)
                            : said + QStringLiteral("\n\n") + notSaved(language));
    unsaved.body.insert(Field::Error, Protocol::errorCodeName(Protocol::ErrorCode::ChatNotSaved));
    return unsaved;
}

ApiReply stopUnheard(const QString &sessionId, qint64 leaseMs)
{
    return ApiReply::outcome(ApiReply::Status::Ok, false, ApiType::Cancel,
                             QStringLiteral("The instance that runs this chat does not answer; "
                                            "the chat is free again within %1 s.")
                                 .arg((leaseMs + 999) / 1000),
                             sessionId, Protocol::ErrorCode::ChatBusy);
}

} // namespace TurnReplies
