// A large chat answer handled the way the client handles it: the reply body read by the
// service's rules, the code kept, the source file written. Each size runs in a child process
// of its own, so that its peak resident size is its own.

#include "benchsupport.h"

#include "platform/deployment.h"
#include "client/connection/serviceaccess.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int kSizesMiB[] = {1, 20};

struct Body final
{
    QByteArray json;
    qint64 codeBytes = 0; // the UTF-8 size of the code inside, as the file will hold it
};

// A chat reply whose "response" is code of about sizeMiB, with the quotes and the
// non-Latin comments that generated code has, built straight as bytes so that nothing but
// the body stays in memory.
Body chatReplyBody(int sizeMiB)
{
    static const QByteArray lines[] = {
        QByteArrayLiteral("   double fast = iMA(NULL, 0, 12, 0, MODE_EMA, PRICE_CLOSE, shift);"),
        QByteArrayLiteral("   if (fast > slow && previousFast <= previousSlow) Print(\"cross up at \", Time[shift]);"),
        QByteArrayLiteral("   // \xe5\xbd\x93\xe5\xbf\xab\xe7\xba\xbf\xe4\xb8\x8a\xe7\xa9\xbf\xe6\x85\xa2\xe7\xba\xbf\xe6\x97\xb6\xe6\xa0\x87\xe8\xae\xb0\xe7\xae\xad\xe5\xa4\xb4"),
        QByteArrayLiteral("   ArrowBuffer[shift] = Low[shift] - 10 * Point; // path C:\\MQL4\\Indicators"),
    };
    const qint64 target = qint64(sizeMiB) << 20;
    Body body;
    body.json.reserve(target + 4096);
    body.json += QByteArrayLiteral("{\"success\": true, \"api_type\": \"chat\", \"message\": \"ok\", \"data\": {\"response\": \"");
    for (int index = 0; body.codeBytes < target; ++index) {
        const QByteArray &line = lines[index % 4];
        for (const char c : line) {
            if (c == '"' || c == '\\')
                body.json += '\\';
            body.json += c;
        }
        body.json += QByteArrayLiteral("\\n");
        body.codeBytes += line.size() + 1;
    }
    body.json += QByteArrayLiteral("\"}}");
    return body;
}

int runOne(int sizeMiB)
{
    QTemporaryDir folder;
    if (!folder.isValid())
        return 1;
    const Body body = chatReplyBody(sizeMiB);
    // The body stands for what the network reply delivered; what follows is the client's part.
    const bool peakReset = BenchSupport::resetPeakResident();
    const qint64 residentBefore = BenchSupport::statusKib(peakReset ? "VmRSS" : "VmHWM");

    QElapsedTimer timer;
    timer.start();
    const ServiceReply reply = parseServiceReply(body.json);
    const double parseMs = double(timer.nsecsElapsed()) / 1e6;
    const QString generatedCode = reply.response;
    const QString path = folder.filePath(QStringLiteral("Tavrin_bench.mq4"));
    const Deployment::WriteResult written = Deployment::writeSourceFile(path, generatedCode);
    const double totalMs = double(timer.nsecsElapsed()) / 1e6;
    const qint64 peak = BenchSupport::statusKib("VmHWM");

    if (reply.kind != ServiceReply::Kind::Chat || !reply.success || !written.ok
        || QFileInfo(path).size() != body.codeBytes) {
        std::fprintf(stderr, "the %d MiB reply was not handled: %s\n", sizeMiB, qPrintable(written.error));
        return 1;
    }

    const QString area = QStringLiteral("reply");
    const QString size = QStringLiteral("%1 MiB").arg(sizeMiB);
    BenchSupport::printRow(area, QStringLiteral("%1 answer: parse, keep, write the file").arg(size), totalMs,
                           QStringLiteral("ms"));
    BenchSupport::printRow(area, QStringLiteral("  of which parse"), parseMs, QStringLiteral("ms"));
    BenchSupport::printRow(area, QStringLiteral("  of which keep and write"), totalMs - parseMs,
                           QStringLiteral("ms"));
    const double peakMiB = double(peak - residentBefore) / 1024.0;
    BenchSupport::printRow(area, QStringLiteral("  peak memory above the received body"), peakMiB,
                           QStringLiteral("MiB"));
    BenchSupport::printRow(area, QStringLiteral("  the same per MiB of body"),
                           peakMiB / (double(body.json.size()) / double(1 << 20)), QStringLiteral("MiB"));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption sizeOption(QStringLiteral("size"),
                                        QStringLiteral("Run one size, in MiB, in this process."),
                                        QStringLiteral("MiB"));
    parser.addOption(sizeOption);
    parser.process(app);
    if (parser.isSet(sizeOption))
        return runOne(parser.value(sizeOption).toInt());

    for (const int sizeMiB : kSizesMiB) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--size"), QString::number(sizeMiB)});
        if (!child.waitForFinished(120000) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
            return 1;
    }
    return 0;
}
