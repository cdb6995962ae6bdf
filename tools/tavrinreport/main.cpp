// tavrin-report FILE: prints what a Strategy Tester report says as one JSON object on one line,
// so that a script can collect many tests into one file of JSON lines. A file that is not a
// report prints nothing on standard output, one line on standard error, and exits with 2.

#include "report/testerreport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonDocument>

#include <cstdio>

namespace {

constexpr int notAReport = 2;

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tavrin-report"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Prints the figures of a MetaTrader 4 or 5 Strategy Tester report as one JSON object."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The report the tester saved (.htm or .html)."));
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(1);

    const QString path = parser.positionalArguments().first();
    const TesterReportRead read = readTesterReportFile(path);
    if (!read.report) {
        std::fprintf(stderr, "tavrin-report: %s: %s\n", qUtf8Printable(path), qUtf8Printable(read.problem));
        return notAReport;
    }
    const QByteArray json = QJsonDocument(testerReportJson(*read.report)).toJson(QJsonDocument::Compact);
    std::fwrite(json.constData(), 1, size_t(json.size()), stdout);
    std::fputc('\n', stdout);
    return 0;
}
