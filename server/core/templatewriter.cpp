#include "templatewriter.h"

#include "apirequest.h"
#include "offlinegenerator.h"
#include "offlinetexts.h"
#include "replytexts.h"

namespace {

// The offline generator's languages are the protocol's, in the same order.
static_assert(int(offline::Language::SimplifiedChinese) == int(Protocol::Language::SimplifiedChinese)
              && int(offline::Language::TraditionalChinese) == int(Protocol::Language::TraditionalChinese));

// The offline generator refines only a program it wrote: one the trader brought or chose
// elsewhere it cannot read back.
bool canContinue(const CodeWriter::Request &request)
{
    return request.currentProgram().isEmpty() || !request.chat.strategy.isEmpty();
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
    bool rebuilt = false;
    if (!canContinue(request)) {
        // A program of ours changed outside keeps its description: it can be written again
        // from it when the trader asks, losing the changes.
        const std::optional<offline::Described> described = offline::OfflineGenerator::describedBy(request.currentProgram());
        if (described && offline::OfflineGenerator::asksToRebuild(request.message)) {
            chat.strategy = described->strategy;
            rebuilt = true;
        } else {
            done({false, described ? offline::changedOutside(offline::Language(int(language)))
                                   : ReplyTexts::templatesCannotContinue(language),
                  Protocol::ErrorCode::CannotBuild, {}, std::nullopt});
            return ++m_lastId;
        }
    } else if (chat.strategy.isEmpty() && !chat.history.requests.isEmpty()) {
        // A chat continued from its history alone: its requests, in order, make the strategy.
        chat.strategy = offline::OfflineGenerator::replayed(chat.history.requests, target);
    }
    const offline::Answer written = offline::OfflineGenerator::answer(
        chat.strategy, rebuilt ? QString() : request.message, target, offline::Language(int(language)));
    if (!written.built) {
        done({false, written.refusal, Protocol::ErrorCode::CannotBuild, {}, std::nullopt});
        return ++m_lastId;
    }
    const QString opening = chat.strategy.isEmpty() || rebuilt
        ? ReplyTexts::programReady(language, chat.kind, written.summary)
        : ReplyTexts::programChanged(language, chat.kind, written.summary, written.changes);
    chat.strategy = written.strategy;
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
