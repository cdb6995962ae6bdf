#include "apirequest.h"

#include "protocol/messages.h"

#include <QJsonArray>
#include <QRegularExpression>

namespace ApiRequest {

QString stringKeyProblem(const QJsonObject &body, std::initializer_list<QString> keys)
{
    for (const QString &key : keys) {
        if (!body.contains(key))
            return QStringLiteral("Missing key \"%1\".").arg(key);
        if (!body.value(key).isString())
            return QStringLiteral("\"%1\" must be a string.").arg(key);
    }
    return {};
}

std::optional<QStringList> compileErrorsOf(const QJsonObject &body)
{
    const QJsonValue value = body.value(Field::CompileErrors);
    if (value.isUndefined())
        return QStringList();
    if (!value.isArray())
        return std::nullopt;
    QStringList errors;
    for (const QJsonValue &error : value.toArray()) {
        if (!error.isString())
            return std::nullopt;
        errors.append(error.toString());
    }
    return errors;
}

std::optional<QList<ChatTurn>> historyOf(const QJsonObject &body, QString *problem)
{
    const QJsonValue value = body.value(Field::History);
    if (value.isUndefined())
        return QList<ChatTurn>();
    if (!value.isArray()) {
        *problem = QStringLiteral("\"history\" must be a list of turns.");
        return std::nullopt;
    }
    const QJsonArray entries = value.toArray();
    QList<ChatTurn> turns;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QJsonObject entry = entries.at(i).toObject();
        const std::optional<ChatTurn::Role> role = roleNamed(entry.value(Field::Role).toString());
        if (!role || !entry.value(Field::Content).isString()) {
            *problem = QStringLiteral("\"history\" turn %1 must be {\"role\": \"user\" or "
                                      "\"assistant\", \"content\": text}.")
                           .arg(i + 1);
            return std::nullopt;
        }
        turns.append({*role, entry.value(Field::Content).toString()});
    }
    return turns;
}

std::optional<QString> currentProgramOf(const QJsonObject &body)
{
    const QJsonValue value = body.value(Field::CurrentProgram);
    if (value.isUndefined())
        return QString();
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

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
