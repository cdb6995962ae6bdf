#pragma once

#include "modelclient.h"
#include "programkind.h"

#include "protocol/domain.h"

#include <QString>
#include <QStringList>

// What the user reads in the replies, in the client's language: English, or Chinese in
// simplified or traditional script.
class ReplyTexts final
{
public:
    using Language = Protocol::Language;

    // From a code like "en", "zh-CN" or "zh-TW"; English for anything unknown.
    static Language languageOf(const QString &code);

    static QString greeting(Language language, const ProgramKind &kind);
    static QString programReady(Language language, const ProgramKind &kind, const QString &summary);
    // A refinement of an offline program: what changed ("RSI(14) 70/30 → RSI(21) 70/30"), or
    // that it stays as summary says when nothing did.
    static QString programChanged(Language language, const ProgramKind &kind,
                                  const QString &summary, const QStringList &changes);
    static QString templatesCannotRepair(Language language);
    // The chat's current program is not one the templates wrote.
    static QString templatesCannotContinue(Language language);
    // When the model explains nothing itself.
    static QString programWritten(Language language, const ProgramKind &kind);
    static QString stillWorking(Language language);
    // The chat is held by an instance that stopped while answering it; it is free again in
    // seconds.
    static QString answeringInstanceStopped(Language language, int seconds);
    // The session store cannot be reached: no chat can be opened or continued for now.
    static QString chatsUnavailable(Language language);
    static QString chatEnded(Language language);
    // A message or compile errors over the request limits.
    static QString requestTooLarge(Language language);
    // The service stops while it writes the program; the request can be sent again.
    static QString restarting(Language language);
    // The trader stopped the generation.
    static QString stopped(Language language);
    // detail: the server's address when it is unreachable, else what it said.
    static QString modelFailure(Language language, ModelClient::Failure failure,
                                const QString &detail);
    static QString noProgram(Language language);
    static QString checkFailed(Language language, const QStringList &errors);
};
