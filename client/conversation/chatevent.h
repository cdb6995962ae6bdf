#pragma once

#include "client/conversation/chatentry.h"
#include "client/conversation/deploysteps.h"
#include "platform/backtestrun.h"
#include "protocol/domain.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <variant>

// One thing that happened in a chat, as the chat keeps it: data, never wording. ChatPresenter
// words it in the interface's language each time it is shown, so that a kept chat follows a
// language switch and its links follow what the chat is now.
struct ChatEvent final
{
    enum class Type {
        Shown,         // a bubble of a chat kept before its events were: shown as it was kept
        Notice,        // the client's words: text in the source language, args to fill in
        Request,       // the trader's request: text, basedOn, replaces
        Wait,          // a wait for an answer, a compile or a test: how it ended, after how long
        Answer,        // a program written: program, text (its explanation)
        Opened,        // a program of the trader's own, opened in the chat: program, path
        Session,       // a session opened for the chat: platform, programType, reason
        Step,          // a step of a program's way into the terminal: step
        VersionChosen, // an earlier version made the chat's program again: program, time
    };
    enum class Waiting { Answer, Compile, Backtest };
    enum class Ending { Running, Answered, Stopped, Refused, Failed, Finished, Unfinished };
    enum class SessionReason {
        New,             // a new chat
        Replacing,       // a request takes an earlier one's place: what was said before it goes on
        Forgotten,       // the service forgot the chat: a new session takes the request
        ForgottenSeeded, // ... and is told what was said
        ForgottenUntold, // ... and cannot be told what was said
    };
    using StepResult = std::variant<std::monostate, DeploySteps::Save, DeploySteps::Review, DeploySteps::Compile,
                                    DeploySteps::Restore, BacktestRun::Result>;

    Type type = Type::Notice;
    QString text;
    QStringList args;    // Notice
    int program = -1;    // Answer, Opened, VersionChosen: the program's number
    int basedOn = -1;    // Request: the program it asks to change
    int replaces = -1;   // Request: the turn it takes the place of (Edit, Regenerate)
    Waiting waiting = Waiting::Answer;
    Ending ending = Ending::Running;
    qint64 elapsedMs = 0;
    QString name;        // Wait: the file compiled or the Expert Advisor tested; Answer: what wrote it
    QString path;        // Opened
    bool offline = false; // Opened: the offline generator was in use, which cannot change it
    Protocol::Platform platform = Protocol::Platform::Mt4; // Session
    Protocol::ProgramType programType = Protocol::ProgramType::Indicator; // Session
    SessionReason reason = SessionReason::New;
    QDateTime time;      // VersionChosen: when the chosen version was written
    StepResult step;
    ChatEntry shown;     // Shown

    static ChatEvent notice(const QString &source, const QStringList &args = {});
    static ChatEvent wait(Waiting waiting, const QString &name = {});
    static ChatEvent ofStep(StepResult step);
};
