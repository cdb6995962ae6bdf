#include "replytexts.h"


namespace {

struct Phrases
{
    QString greeting;
    QString programReady;
    QString programWritten;
    QString indicator;
    QString expertAdvisor;
    QString stillWorking;
    QString chatEnded;
    QString unreachable;
    QString keyRejected;
    QString modelNotFound;
    QString busy;
    QString timedOut;
    QString cutOff;
    QString serverError;
    QString noProgram;
    QString checkFailed;
    QString stopped;
    QString templatesCannotRepair;
    QString templatesCannotContinue;
    QString programChanged;
    QString programUnchanged;
    QString requestTooLarge;
    QString restarting;
};

const Phrases &phrasesIn(Protocol::Language language)
{
    static const Phrases english{
        QStringLiteral("New %1 %2 chat ready. Describe the %2 you want."),
        QStringLiteral("Here is your %1 %2: %3."),
        QStringLiteral("Here is your %1 %2."),
        QStringLiteral("indicator"),
        QStringLiteral("Expert Advisor"),
        QStringLiteral("Still working on your last request: please wait for its answer."),
        QStringLiteral("The chat was ended before the program was ready."),
        QStringLiteral("The model server at %1 cannot be reached. Check that it is running, then "
                       "send your request again."),
        QStringLiteral("The model server refused the service's API key. Ask whoever runs the "
                       "service to check it."),
        QStringLiteral("The model server does not have the model the service asks for. Ask "
                       "whoever runs the service to check the model name."),
        QStringLiteral("The model server is busy. Please send your request again in a minute."),
        QStringLiteral("The model took too long to answer. Please try again, or ask for a "
                       "simpler program."),
        QStringLiteral("The model's answer was cut off before the program was complete. Please "
                       "try again, or ask for a shorter program."),
        QStringLiteral("The model server reported an error: %1"),
        QStringLiteral("The model answered without a program. Please describe the program you "
                       "want again."),
        QStringLiteral("The model's program does not pass the checks, even after one "
                       "correction:\n%1"),
        QStringLiteral("Stopped before the program was finished. The chat goes on: send your "
                       "next request when you are ready."),
        QStringLiteral("The offline generator cannot fix compile errors, so your program was left "
                       "as it was. To have a language model fix them, choose a model server in "
                       "Settings > Code generator…, or ask whoever runs the service."),
        QStringLiteral("Offline generation can change only programs it wrote itself, and this one "
                       "it did not write, so it was left as it was. It writes a new program from "
                       "a description of what you want in a new chat. A model server can change this "
                       "one: choose one in Settings > Code generator…, or ask whoever runs the "
                       "service."),
        QStringLiteral("Updated your %1 %2: %3."),
        QStringLiteral("Your %1 %2 stays as it was (%3): name the value to change, like "
                       "\"period 21\"."),
        QStringLiteral("The request is too long: a message may have at most 32 KB of text, and "
                       "compile errors at most 200 lines and 32 KB. Please shorten it and send it "
                       "again."),
        QStringLiteral("The service is restarting and stopped before your program was ready. "
                       "Your chat is kept: please send the request again.")};
    static const Phrases simplified{
        QStringLiteral("新的 %1 %2对话已就绪。请描述您想要的%2。"),
        QStringLiteral("已生成 %1 %2：%3。"),
        QStringLiteral("已生成 %1 %2。"),
        QStringLiteral("指标"),
        QStringLiteral("EA"),
        QStringLiteral("仍在处理您的上一个请求，请等待其回复。"),
        QStringLiteral("程序完成之前对话已结束。"),
        QStringLiteral("无法连接位于 %1 的模型服务器。请确认它正在运行，然后重新发送请求。"),
        QStringLiteral("模型服务器拒绝了本服务的 API 密钥。请联系服务的管理者检查。"),
        QStringLiteral("模型服务器上没有本服务请求的模型。请联系服务的管理者检查模型名称。"),
        QStringLiteral("模型服务器繁忙。请一分钟后重新发送请求。"),
        QStringLiteral("模型回复超时。请重试，或要求一个更简单的程序。"),
        QStringLiteral("模型的回复在程序完成之前被截断。请重试，或要求一个更短的程序。"),
        QStringLiteral("模型服务器报告错误：%1"),
        QStringLiteral("模型的回复中没有程序。请重新描述您想要的程序。"),
        QStringLiteral("模型编写的程序即使修正一次后仍未通过检查：\n%1"),
        QStringLiteral("已在程序完成之前停止。对话仍可继续：准备好后请发送下一个请求。"),
        QStringLiteral("离线生成器无法修复编译错误，您的程序保持不变。如需由语言模型修复，请在“设置 > "
                       "代码生成器…”中选择模型服务器，或联系服务的管理者。"),
        QStringLiteral("离线生成只能修改它自己编写的程序，而这个程序不是它编写的，因此保持不变。它可以"
                       "在新的对话中根据您的描述编写新程序。模型服务器可以修改这个程序：请在“设置 > 代码生成器…”"
                       "中选择一个，或联系服务的管理者。"),
        QStringLiteral("已更新您的 %1 %2：%3。"),
        QStringLiteral("您的 %1 %2保持不变（%3）：请指明要修改的数值，例如“周期 21”。"),
        QStringLiteral("请求过长：一条消息最多 32 KB 文字，编译错误最多 200 行、32 KB。请缩短后重新发送。"),
        QStringLiteral("服务正在重启，程序完成之前已停止。您的对话已保留：请重新发送请求。")};
    static const Phrases traditional{
        QStringLiteral("新的 %1 %2對話已就緒。請描述您想要的%2。"),
        QStringLiteral("已生成 %1 %2：%3。"),
        QStringLiteral("已生成 %1 %2。"),
        QStringLiteral("指標"),
        QStringLiteral("EA"),
        QStringLiteral("仍在處理您的上一個請求，請等待其回覆。"),
        QStringLiteral("程式完成之前對話已結束。"),
        QStringLiteral("無法連線位於 %1 的模型伺服器。請確認它正在執行，然後重新傳送請求。"),
        QStringLiteral("模型伺服器拒絕了本服務的 API 金鑰。請聯絡服務的管理者檢查。"),
        QStringLiteral("模型伺服器上沒有本服務請求的模型。請聯絡服務的管理者檢查模型名稱。"),
        QStringLiteral("模型伺服器忙碌。請一分鐘後重新傳送請求。"),
        QStringLiteral("模型回覆逾時。請重試，或要求一個更簡單的程式。"),
        QStringLiteral("模型的回覆在程式完成之前被截斷。請重試，或要求一個更短的程式。"),
        QStringLiteral("模型伺服器回報錯誤：%1"),
        QStringLiteral("模型的回覆中沒有程式。請重新描述您想要的程式。"),
        QStringLiteral("模型編寫的程式即使修正一次後仍未通過檢查：\n%1"),
        QStringLiteral("已在程式完成之前停止。對話仍可繼續：準備好後請傳送下一個請求。"),
        QStringLiteral("離線產生器無法修復編譯錯誤，您的程式保持不變。如需由語言模型修復，請在「設定 > "
                       "程式碼產生器…」中選擇模型伺服器，或聯絡服務的管理者。"),
        QStringLiteral("離線生成只能修改它自己編寫的程式，而這個程式不是它編寫的，因此保持不變。它可以"
                       "在新的對話中根據您的描述編寫新程式。模型伺服器可以修改這個程式：請在「設定 > 程式碼產生器…」"
                       "中選擇一個，或聯絡服務的管理者。"),
        QStringLiteral("已更新您的 %1 %2：%3。"),
        QStringLiteral("您的 %1 %2保持不變（%3）：請指明要修改的數值，例如「週期 21」。"),
        QStringLiteral("請求過長：一則訊息最多 32 KB 文字，編譯錯誤最多 200 行、32 KB。請縮短後重新傳送。"),
        QStringLiteral("服務正在重新啟動，程式完成之前已停止。您的對話已保留：請重新傳送請求。")};
    if (language == Protocol::Language::SimplifiedChinese)
        return simplified;
    if (language == Protocol::Language::TraditionalChinese)
        return traditional;
    return english;
}

QString typeName(const Phrases &phrases, const ProgramKind &kind)
{
    return kind.type == Protocol::ProgramType::Indicator ? phrases.indicator : phrases.expertAdvisor;
}

QString sourceLanguage(const ProgramKind &kind)
{
    return Protocol::mqlFolderName(kind.platform);
}

} // namespace

Protocol::Language ReplyTexts::languageOf(const QString &code)
{
    return Protocol::languageNamed(code).value_or(Language::English);
}

QString ReplyTexts::greeting(Language language, const ProgramKind &kind)
{
    const Phrases &phrases = phrasesIn(language);
    return phrases.greeting.arg(Protocol::wireName(kind.platform), typeName(phrases, kind));
}

QString ReplyTexts::programReady(Language language, const ProgramKind &kind, const QString &summary)
{
    const Phrases &phrases = phrasesIn(language);
    return phrases.programReady.arg(sourceLanguage(kind), typeName(phrases, kind), summary);
}

QString ReplyTexts::programChanged(Language language, const ProgramKind &kind,
                                   const QString &summary, const QStringList &changes)
{
    const Phrases &phrases = phrasesIn(language);
    return changes.isEmpty()
        ? phrases.programUnchanged.arg(sourceLanguage(kind), typeName(phrases, kind), summary)
        : phrases.programChanged.arg(sourceLanguage(kind), typeName(phrases, kind),
                                     changes.join(QStringLiteral("; ")));
}

QString ReplyTexts::templatesCannotRepair(Language language)
{
    return phrasesIn(language).templatesCannotRepair;
}

QString ReplyTexts::templatesCannotContinue(Language language)
{
    return phrasesIn(language).templatesCannotContinue;
}

QString ReplyTexts::stopped(Language language)
{
    return phrasesIn(language).stopped;
}

QString ReplyTexts::programWritten(Language language, const ProgramKind &kind)
{
    const Phrases &phrases = phrasesIn(language);
    return phrases.programWritten.arg(sourceLanguage(kind), typeName(phrases, kind));
}

QString ReplyTexts::stillWorking(Language language)
{
    return phrasesIn(language).stillWorking;
}

QString ReplyTexts::answeringInstanceStopped(Language language, int seconds)
{
    switch (language) {
    case Language::SimplifiedChinese:
        return QStringLiteral("正在回答此对话的服务实例已停止，您的上一个请求不会有回复。"
                              "此对话将在 %1 秒后恢复可用，届时请重新发送请求。")
            .arg(seconds);
    case Language::TraditionalChinese:
        return QStringLiteral("正在回答此對話的服務實例已停止，您的上一個請求不會有回覆。"
                              "此對話將在 %1 秒後恢復可用，屆時請重新傳送請求。")
            .arg(seconds);
    case Language::English:
        break;
    }
    return QStringLiteral("The service instance that was answering this chat stopped, so your "
                          "last request will not be answered. The chat is free again in %1 s: "
                          "please send your request then.")
        .arg(seconds);
}

QString ReplyTexts::chatsUnavailable(Language language)
{
    switch (language) {
    case Language::SimplifiedChinese:
        return QStringLiteral("对话服务暂时不可用：会话存储无法连接。请稍后再试。");
    case Language::TraditionalChinese:
        return QStringLiteral("對話服務暫時無法使用：會話儲存無法連線。請稍後再試。");
    case Language::English:
        break;
    }
    return QStringLiteral("Chats are unavailable for the moment: the service cannot reach its "
                          "session store. Please try again in a minute.");
}

QString ReplyTexts::chatEnded(Language language)
{
    return phrasesIn(language).chatEnded;
}

QString ReplyTexts::requestTooLarge(Language language)
{
    return phrasesIn(language).requestTooLarge;
}

QString ReplyTexts::restarting(Language language)
{
    return phrasesIn(language).restarting;
}

QString ReplyTexts::modelFailure(Language language, ModelClient::Failure failure, const QString &detail)
{
    const Phrases &phrases = phrasesIn(language);
    switch (failure) {
    case ModelClient::Failure::Unreachable:
        return phrases.unreachable.arg(detail);
    case ModelClient::Failure::KeyRejected:
        return phrases.keyRejected;
    case ModelClient::Failure::ModelNotFound:
        return phrases.modelNotFound;
    case ModelClient::Failure::Busy:
        return phrases.busy;
    case ModelClient::Failure::TimedOut:
        return phrases.timedOut;
    case ModelClient::Failure::CutOff:
        return phrases.cutOff;
    case ModelClient::Failure::None:
    case ModelClient::Failure::ContextOverflow:
    case ModelClient::Failure::ServerError:
        break;
    }
    return phrases.serverError.arg(detail);
}

QString ReplyTexts::noProgram(Language language)
{
    return phrasesIn(language).noProgram;
}

QString ReplyTexts::checkFailed(Language language, const QStringList &errors)
{
    return phrasesIn(language).checkFailed.arg(errors.join(u'\n'));
}
