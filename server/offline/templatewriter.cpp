#include "templatewriter.h"

#include "apirequest.h"
#include "offlinegenerator.h"
#include "offlinetexts.h"
#include "replytexts.h"

namespace {

// The offline generator's languages are the protocol's, in the same order.
static_assert(int(offline::Language::SimplifiedChinese) == int(Protocol::Language::SimplifiedChinese)
              && int(offline::Language::TraditionalChinese) == int(Protocol::Language::TraditionalChinese));

// The chat's strategy so far: the one its record keeps, else the one its current program
// carries when this generator wrote it, else none.
offline::Strategy strategyOf(const ChatRecord &chat)
{
    if (std::optional<offline::Strategy> kept = offline::Strategy::fromJson(chat.writerState); kept && !kept->isEmpty())
        return *std::move(kept);
    return offline::OfflineGenerator::fromProgram(chat.history.program).value_or(offline::Strategy());
}

} // namespace

quint64 TemplateWriter::write(const Request &request, const Progress &progress, Done done)
{
    // A request plainly written in one of the three languages is answered in it.
    const Protocol::Language language = Protocol::Language(int(offline::languageOf(
        request.message, offline::Language(int(request.chat.language)))));
    if (!request.compileErrors.isEmpty() || ApiRequest::quotesCompilerMessages(request.message)) {
        done({false, ReplyTexts::templatesCannotRepair(language),
              Protocol::ErrorCode::CannotRepair, {}, std::nullopt});
        return ++m_lastId;
    }
    ChatRecord chat = request.chat;
    const offline::Target target{chat.kind.platform == Protocol::Platform::Mt5,
                                 chat.kind.type == Protocol::ProgramType::Indicator};
    offline::Strategy strategy = strategyOf(chat);
    bool rebuilt = false;
    // The offline generator refines only a program it wrote: one the trader brought or chose
    // elsewhere it cannot read back.
    if (!request.currentProgram().isEmpty() && strategy.isEmpty()) {
        // A program of ours changed outside keeps its description: it can be written again
        // from it when the trader asks, losing the changes.
        const std::optional<offline::Described> described = offline::OfflineGenerator::describedBy(request.currentProgram());
        if (described && offline::OfflineGenerator::asksToRebuild(request.message)) {
            strategy = described->strategy;
            rebuilt = true;
        } else {
            done({false, described ? offline::changedOutside(offline::Language(int(language)))
                                   : ReplyTexts::templatesCannotContinue(language),
                  Protocol::ErrorCode::CannotBuild, {}, std::nullopt});
            return ++m_lastId;
        }
    } else if (strategy.isEmpty() && !chat.history.requests.isEmpty()) {
        // A chat continued from its history alone: its requests, in order, make the strategy.
        strategy = offline::OfflineGenerator::replayed(chat.history.requests, target);
    }
    const offline::Answer written = offline::OfflineGenerator::answer(
        strategy, rebuilt ? QString() : request.message, target, offline::Language(int(language)));
    if (!written.built) {
        done({false, written.refusal, Protocol::ErrorCode::CannotBuild, {}, std::nullopt});
        return ++m_lastId;
    }
    const QString opening = strategy.isEmpty() || rebuilt
        ? ReplyTexts::programReady(language, chat.kind, written.summary)
        : ReplyTexts::programChanged(language, chat.kind, written.summary, written.changes);
    chat.writerState = written.strategy.toJson();
    // Kept so that a client choosing this same program again continues from it.
    chat.history.remember(request.message, written.program);
    progress.delta(written.program);
    done({true, (QStringList{opening} + written.details).join(u'\n'), Protocol::ErrorCode::None,
          written.program, chat});
    return ++m_lastId;
}

// An offline chat needs a few milliseconds.
qint64 TemplateWriter::deadlineMs() const
{
    return 60 * 1000;
}

void TemplateWriter::probe(const std::function<void(Reach reach)> &done)
{
    done(Reach::NotUsed);
}
