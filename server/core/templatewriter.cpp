#include "templatewriter.h"

#include "apirequest.h"
#include "codegenerator.h"
#include "replytexts.h"

namespace {

// The templates refine only a program they wrote, whose idea the chat keeps; one the trader
// brought or chose elsewhere they cannot read back.
bool canContinue(const CodeWriter::Request &request)
{
    return request.currentProgram().isEmpty() || request.chat.hasProgram;
}

} // namespace

quint64 TemplateWriter::write(const Request &request, const Progress &progress, Done done)
{
    const Protocol::Language language = request.chat.language;
    if (!request.compileErrors.isEmpty() || ApiRequest::quotesCompilerMessages(request.message)) {
        done({false, ReplyTexts::templatesCannotRepair(language),
              Protocol::ErrorCode::CannotRepair, {}, std::nullopt});
        return ++m_lastId;
    }
    if (!canContinue(request)) {
        done({false, ReplyTexts::templatesCannotContinue(language),
              Protocol::ErrorCode::CannotBuild, {}, std::nullopt});
        return ++m_lastId;
    }
    ChatRecord chat = request.chat;
    const TradingIdea before = chat.idea;
    QString text;
    if (chat.hasProgram) {
        chat.idea = before.changedBy(request.message);
        const std::optional<TradingIdea::Strategy> named =
            TradingIdea::strategyNamedIn(request.message);
        text = ReplyTexts::programChanged(language, chat.kind, chat.idea,
                                          chat.idea.changesFrom(before),
                                          named != chat.idea.strategy ? named : std::nullopt);
    } else {
        chat.idea = before.refinedBy(request.message);
        text = ReplyTexts::programReady(language, chat.kind, chat.idea.summary());
    }
    chat.hasProgram = true;
    const QString program = CodeGenerator::program(chat.kind, chat.idea, request.message);
    // Kept so that a client choosing this same program again is not taken for a foreign one.
    chat.history.remember(request.message, program);
    progress.delta(program);
    done({true, text, Protocol::ErrorCode::None, program, chat});
    return ++m_lastId;
}

// A template chat needs a few milliseconds.
qint64 TemplateWriter::deadlineMs() const
{
    return 60 * 1000;
}

void TemplateWriter::probe(const std::function<void(std::optional<bool> up)> &done)
{
    done(std::nullopt);
}
