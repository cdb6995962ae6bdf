#include "apirequest.h"

#include "protocol/messages.h"

#include <QRegularExpression>

namespace ApiRequest {

bool quotesCompilerMessages(const QString &message)
{
    static const QRegularExpression compilerLine(
        QStringLiteral(R"(\b(error|warning)\s+\d+\s*:|\(\d+\s*,\s*\d+\)\s*:)"),
        QRegularExpression::CaseInsensitiveOption);
    return message.contains(compilerLine);
}

qsizetype rawControlInString(const QByteArray &json)
{
    bool inString = false;
    for (qsizetype i = 0; i < json.size(); ++i) {
        const uchar c = uchar(json[i]);
        if (inString && c < 0x20)
            return i;
        if (c == '"')
            inString = !inString;
        else if (inString && c == '\\')
            ++i; // an escaped quote or backslash ends nothing; an escaped control is refused by Qt
    }
    return -1;
}

Protocol::Language languageOf(const QJsonObject &body, const QByteArray &acceptLanguage)
{
    const QString code = body.contains(Field::Language)
        ? body.value(Field::Language).toString()
        : QString::fromLatin1(acceptLanguage).section(u',', 0, 0).section(u';', 0, 0).trimmed();
    return ReplyTexts::languageOf(code);
}

Subnets subnetsOf(const QStringList &entries, QString *bad)
{
    Subnets subnets;
    for (const QString &entry : entries) {
        const QString trimmed = entry.trimmed();
        QPair<QHostAddress, int> subnet = QHostAddress::parseSubnet(trimmed);
        if (subnet.first.isNull()) {
            const QHostAddress address(trimmed);
            if (address.isNull()) {
                *bad = entry;
                return {};
            }
            subnet = {address, address.protocol() == QAbstractSocket::IPv6Protocol ? 128 : 32};
        }
        subnets.append(subnet);
    }
    return subnets;
}

namespace {

bool isTrusted(const QHostAddress &address, const Subnets &trusted)
{
    for (const auto &subnet : trusted) {
        if (address.isInSubnet(subnet))
            return true;
    }
    return false;
}

} // namespace

QHostAddress clientAddress(const QHostAddress &peer, const QByteArray &forwardedFor,
                           const QByteArray &realIp, const Subnets &trusted)
{
    // An IPv4 peer may come as ::ffff:a.b.c.d on a dual-stack socket.
    bool isV4 = false;
    const quint32 v4 = peer.toIPv4Address(&isV4);
    const QHostAddress from = isV4 ? QHostAddress(v4) : peer;
    if (!isTrusted(from, trusted))
        return from;
    const QList<QByteArray> hops = forwardedFor.split(',');
    for (auto hop = hops.crbegin(); hop != hops.crend(); ++hop) {
        const QHostAddress address(QString::fromLatin1(hop->trimmed()));
        if (address.isNull())
            break;
        if (!isTrusted(address, trusted))
            return address;
    }
    const QHostAddress real(QString::fromLatin1(realIp.trimmed()));
    return real.isNull() ? from : real;
}

} // namespace ApiRequest
