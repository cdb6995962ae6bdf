#include "logline.h"

#include <QtGlobal>

#include <algorithm>

namespace LogLine {
namespace {

QtMessageHandler writer = nullptr;

void writeEscaped(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    writer(type, context, escaped(message));
}

bool breaksLines(char16_t c)
{
    return c < 0x20 || c == 0x7f || (c >= 0x80 && c < 0xa0) || c == 0x2028 || c == 0x2029;
}

} // namespace

QString escaped(QStringView text)
{
    if (std::none_of(text.begin(), text.end(), [](QChar c) { return breaksLines(c.unicode()); }))
        return text.toString();
    QString result;
    result.reserve(text.size() + 8);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\n':
            result += QLatin1String("\\n");
            break;
        case u'\r':
            result += QLatin1String("\\r");
            break;
        case u'\t':
            result += QLatin1String("\\t");
            break;
        default:
            if (breaksLines(c.unicode()))
                result += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                result += c;
        }
    }
    return result;
}

void escapeAllMessages()
{
    writer = qInstallMessageHandler(&writeEscaped);
}

} // namespace LogLine
