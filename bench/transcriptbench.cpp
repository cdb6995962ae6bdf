// The transcript's cost as it grows: time of the next appends after it holds N bubbles (a
// program's coloured code block among every four), the memory the bubbles take, and one very
// long multi-line message.

#include "benchsupport.h"

#include "widgets/chattextedit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>

namespace {

constexpr int kTimedAppends = 100;

// An answer's program, longer than its bubble shows.
const QString kProgram = [] {
    QString code = QStringLiteral("//+------------------------------------------------------------------+\n"
                                  "#property strict\ninput int InpPeriod = 14; // \"period\"\n");
    for (int line = 0; line < 40; ++line)
        code += QStringLiteral("double value%1 = iRSI(NULL, 0, InpPeriod, PRICE_CLOSE, %1) * 1.5;\n").arg(line);
    return code;
}();

// Requests and notices of the lengths a conversation has, the user's every fourth, then the
// answer's program.
QString message(int index)
{
    switch (index % 4) {
    case 0:
        return QStringLiteral("Request %1: an indicator that draws a 20-period moving average and marks "
                              "every cross of the close price with an arrow, in red below and green above.")
            .arg(index);
    case 1:
        return QStringLiteral("Generating code...");
    default:
        return QStringLiteral("MT4 Indicator generated successfully!\nCompiling...\nCode saved to: "
                              "/home/trader/MQL4/Indicators/Tavrin_%1.mq4")
            .arg(index);
    }
}

void append(ChatTextEdit &transcript, int index)
{
    if (index % 4 == 3) {
        ChatEntry program;
        program.kind = ChatEntry::Kind::Program;
        program.code = kProgram;
        program.links = {{QStringLiteral("Show all 43 lines"), QStringLiteral("brevan:show:0")},
                         {QStringLiteral("Copy code"), QStringLiteral("brevan:copy:0")}};
        transcript.showEntry(index, program);
        return;
    }
    transcript.appendMessage(message(index), index % 4 == 0);
}

// Lets the widget do what it postpones (layout, scroll range, painting).
void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
}

struct ShownTranscript final
{
    ShownTranscript()
    {
        transcript.resize(760, 520);
        transcript.show();
        settle();
    }
    ChatTextEdit transcript;
};

void appendsAfter(benchmark::State &state)
{
    const int filled = int(state.range(0));
    const qint64 rssBefore = BenchSupport::statusKib("VmRSS");
    // Filled while hidden, the quicker way; showing it then lays out the whole of it and
    // places the user's bubbles for the view's width.
    ChatTextEdit transcript;
    transcript.resize(760, 520);
    for (int i = 0; i < filled; ++i)
        append(transcript, i);
    transcript.show();
    settle();
    const qint64 rssAfter = BenchSupport::statusKib("VmRSS");

    int next = filled;
    double timedMs = 0;
    double settleMs = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < kTimedAppends; ++i)
            append(transcript, next++);
        const qint64 appendedNs = timer.nsecsElapsed();
        settle();
        timedMs += double(timer.nsecsElapsed()) / 1e6;
        settleMs += double(timer.nsecsElapsed() - appendedNs) / 1e6;
    }
    if (transcript.verticalScrollBar()->value() != transcript.verticalScrollBar()->maximum())
        state.SkipWithError("the transcript did not stay scrolled to the end");

    state.counters["per append [ms]"] = timedMs / double(state.iterations() * kTimedAppends);
    state.counters["per append, postponed part [ms]"] = settleMs / double(state.iterations() * kTimedAppends);
    if (filled > 0) {
        state.counters["rss growth of the fill [MiB]"] = double(rssAfter - rssBefore) / 1024.0;
        state.counters["rss per bubble [KiB]"] = double(rssAfter - rssBefore) / filled;
    }
}

// About 1 MiB of code-like text, some 13,000 indented lines, with characters markup treats specially.
QString longMessage()
{
    QString text;
    text.reserve(1 << 20);
    for (int line = 0; text.size() < (1 << 20); ++line)
        text += QStringLiteral("   double value%1 = iMA(NULL, 0, 20, 0, MODE_SMA, PRICE_CLOSE, %1); // <&>\n")
                    .arg(line);
    return text;
}

void longMultiLineMessage(benchmark::State &state)
{
    const QString text = longMessage();
    double rssGrowthKib = 0;
    for (auto _ : state) {
        state.PauseTiming();
        {
            ShownTranscript shown;
            const qint64 rssBefore = BenchSupport::statusKib("VmRSS");
            state.ResumeTiming();
            shown.transcript.appendMessage(text, false);
            settle();
            state.PauseTiming();
            rssGrowthKib += double(BenchSupport::statusKib("VmRSS") - rssBefore);
        }
        settle();
        state.ResumeTiming();
    }
    state.counters["rss growth [MiB]"] = rssGrowthKib / 1024.0 / double(state.iterations());
    state.counters["lines in it [lines]"] = double(text.count(QLatin1Char('\n')));
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    for (const int filled : {0, 1000, 10000}) {
        benchmark::RegisterBenchmark(
            qPrintable(QStringLiteral("transcript: %1 appends after %2 bubbles").arg(kTimedAppends).arg(filled)),
            appendsAfter)
            ->Arg(filled)
            ->Iterations(3)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
    benchmark::RegisterBenchmark("transcript: one 1 MiB multi-line message", longMultiLineMessage)
        ->Iterations(2)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    return BenchSupport::runRegisteredBenchmarks(argc, argv);
}
