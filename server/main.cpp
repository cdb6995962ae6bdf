// The code-generation service the client talks to over HTTP/JSON. By default it writes
// programs from templates, so that it works offline on any machine.

#include "tavrinserver.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHostAddress>
#include <QTextStream>
#include <QVersionNumber>

namespace {

int fail(const QString &message)
{
    QTextStream(stderr) << "tavrin-server: " << message << Qt::endl;
    return 1;
}

// Null unless the whole text is a version number.
QVersionNumber wholeVersion(const QString &text)
{
    qsizetype suffix = 0;
    const QVersionNumber version = QVersionNumber::fromString(text, &suffix);
    return suffix == text.size() ? version : QVersionNumber();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tavrin-server"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("The TavrinAI code-generation service."));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Port to listen on; 0 picks a free one."),
                                        QStringLiteral("N"), QStringLiteral("8080"));
    const QCommandLineOption addressOption(QStringLiteral("address"),
                                           QStringLiteral("Address to listen on."),
                                           QStringLiteral("A"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption minVersionOption(
        QStringLiteral("min-version"), QStringLiteral("Clients older than V are told to update."),
        QStringLiteral("V"), QStringLiteral("1.0.0"));
    const QCommandLineOption updateMessageOption(
        QStringLiteral("update-message"),
        QStringLiteral("What clients that must update are shown (may be rich text); "
                       "by default their own text."),
        QStringLiteral("TEXT"));
    parser.addOptions({portOption, addressOption, minVersionOption, updateMessageOption});
    parser.process(app);

    bool portValid = false;
    const quint16 port = parser.value(portOption).toUShort(&portValid);
    if (!portValid)
        return fail(QStringLiteral("--port takes a number from 0 to 65535"));
    QHostAddress address;
    if (!address.setAddress(parser.value(addressOption)))
        return fail(QStringLiteral("--address takes an IP address, like 127.0.0.1"));
    const QVersionNumber minVersion = wholeVersion(parser.value(minVersionOption));
    if (minVersion.isNull())
        return fail(QStringLiteral("--min-version takes a version number, like 1.2.0"));

    TavrinServer service(minVersion, parser.value(updateMessageOption));
    QString errorString;
    if (!service.listen(address, port, &errorString)) {
        return fail(QStringLiteral("cannot listen on %1 port %2: %3")
                        .arg(address.toString(), QString::number(port), errorString));
    }
    QTextStream(stdout) << "tavrin-server listening on " << service.url().toString() << Qt::endl;
    return app.exec();
}
