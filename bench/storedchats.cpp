#include "storedchats.h"

#include "client/archive/chatarchive.h"

#include <QDateTime>
#include <QFileInfo>

namespace {

// An indicator of some 60 lines, as an answer brings.
QString programSource(int chat, int turn)
{
    QString code = QStringLiteral("//+------------------------------------------------------------------+\n"
                                  "#property indicator_chart_window\n#property indicator_buffers 2\n"
                                  "input int InpPeriod = %1; // period\n")
                       .arg(turn + 5);
    for (int line = 0; line < 55; ++line)
        code += QStringLiteral("   double value%1 = iMA(NULL, 0, InpPeriod, 0, MODE_SMA, PRICE_CLOSE, %2);\n").arg(line).arg(chat);
    return code;
}

} // namespace

namespace StoredChatsFixture {

StoredChat makeChat(int index, int turns, int programs)
{
    StoredChat chat;
    chat.id = StoredChats::newId();
    chat.platform = Protocol::Platform::Mt5;
    chat.programName = QStringLiteral("Tavrin_%1").arg(index);
    chat.created = QDateTime::currentDateTimeUtc().addDays(-index);
    chat.updated = chat.created.addSecs(600);
    chat.programs.resize(programs);
    for (int turn = 0; turn < turns; ++turn) {
        const QString request = QStringLiteral("An indicator that draws a moving average of period %1 and marks every cross of "
                                               "the close with an arrow, turn %2, stop loss %3 pips.")
                                    .arg(index).arg(turn).arg(20 + turn);
        if (turn == 0)
            chat.title = StoredChats::titleFor(request);
        const QString path = QStringLiteral("/home/trader/MQL5/Indicators/Tavrin_%1_%2.mq5").arg(index).arg(turn % programs);
        const QString source = programSource(index, turn);
        ChatEvent asked;
        asked.type = ChatEvent::Type::Request;
        asked.text = request;
        asked.basedOn = turn - 1;
        ChatEvent answer;
        answer.type = ChatEvent::Type::Answer;
        answer.text = QStringLiteral("The indicator draws the average and the arrows.");
        answer.program = turn;
        // Three bubbles a turn, as the figures measured before the chat kept events.
        chat.events << asked << answer
                    << ChatEvent::notice(QStringLiteral("MT5 Indicator generated successfully!\nCode saved to: %1\n0 errors, 0 warnings"),
                                         {path});
        StoredProgram &program = chat.programs[turn % programs];
        program.name = QFileInfo(path).completeBaseName();
        program.versions.append({source, path, chat.created.addSecs(turn * 20), request,
                                 ProgramVersion::Verdict::Compiled, {}, {{QStringLiteral("no-stop-loss"), 4}}, turn, {}, std::nullopt});
    }
    chat.current = {(turns - 1) % programs, int(chat.programs.at((turns - 1) % programs).versions.size()) - 1};
    return chat;
}

bool fill(const QString &folder)
{
    ChatArchive archive(folder);
    bool written = true;
    QObject::connect(&archive, &ChatArchive::writeFailed, &archive, [&written] { written = false; });
    for (int i = 0; i < Chats; ++i)
        archive.save(makeChat(i, Turns, 3));
    archive.flush();
    return written;
}

} // namespace StoredChatsFixture
