#include "report/htmltable.h"

#include <QStringDecoder>

#include <array>
#include <optional>
#include <utility>

namespace Report {

using namespace Qt::StringLiterals;

namespace {

// The upper halves of the two code pages the terminals write. Qt for Windows is built without
// ICU and knows no code page by name, so the client carries these two itself; 0xFFFD where the
// code page leaves a byte undefined.
constexpr std::array<char16_t, 64> cp1251From80 = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
    0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
    0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
    0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
    0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};
constexpr std::array<char16_t, 32> cp1252From80 = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

char16_t cp1251(uchar byte)
{
    if (byte < 0x80)
        return byte;
    if (byte >= 0xC0)
        return char16_t(0x0410 + (byte - 0xC0)); // А..я in alphabetical order
    return cp1251From80[byte - 0x80];
}

char16_t cp1252(uchar byte)
{
    if (byte >= 0x80 && byte < 0xA0)
        return cp1252From80[byte - 0x80];
    return byte; // the rest is Latin-1
}

// Russian text is words of high bytes; French or German is ASCII words with an accent here and
// there. Letters next to another high byte tell them apart.
bool looksCyrillic(const QByteArray &bytes)
{
    qsizetype high = 0, paired = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (uchar(bytes[i]) < 0x80)
            continue;
        ++high;
        if ((i > 0 && uchar(bytes[i - 1]) >= 0x80)
            || (i + 1 < bytes.size() && uchar(bytes[i + 1]) >= 0x80))
            ++paired;
    }
    return high > 0 && paired * 2 > high;
}

QString decodeSingleByte(const QByteArray &bytes)
{
    const auto map = looksCyrillic(bytes) ? cp1251 : cp1252;
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char byte : bytes)
        *out++ = QChar(map(uchar(byte)));
    return text;
}

std::optional<QString> decodeAs(QStringConverter::Encoding encoding, const QByteArray &bytes)
{
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    QString text = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

bool startsWith(QStringView text, qsizetype at, QLatin1StringView what)
{
    return text.sliced(at).startsWith(what, Qt::CaseInsensitive);
}

bool is(QStringView name, QLatin1StringView what)
{
    return name.compare(what, Qt::CaseInsensitive) == 0;
}

// The entity at `at` as its text and its length in the page; nullopt for a bare "&".
std::optional<std::pair<QString, qsizetype>> entityAt(QStringView text, qsizetype at)
{
    static const std::array<std::pair<QLatin1StringView, QChar>, 6> named = {{
        {"&amp;"_L1, u'&'}, {"&lt;"_L1, u'<'}, {"&gt;"_L1, u'>'}, {"&quot;"_L1, u'"'},
        {"&apos;"_L1, u'\''}, {"&nbsp;"_L1, QChar(0xA0)}}};
    for (const auto &[entity, character] : named) {
        if (startsWith(text, at, entity))
            return std::pair(QString(character), entity.size());
    }
    const qsizetype semicolon = text.indexOf(u';', at);
    if (!startsWith(text, at, "&#"_L1) || semicolon < at + 3 || semicolon - at > 10)
        return std::nullopt;
    const QStringView digits = text.sliced(at + 2, semicolon - at - 2);
    bool ok = false;
    const char32_t code = digits.startsWith(u'x', Qt::CaseInsensitive) ? digits.sliced(1).toUInt(&ok, 16)
                                                                       : digits.toUInt(&ok, 10);
    if (!ok || code == 0 || code >= 0x110000)
        return std::nullopt;
    return std::pair(QString::fromUcs4(&code, 1), semicolon - at + 1);
}

// The few entities a report holds; anything else, a bare "&" included, stays as written.
QString resolveEntities(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const auto entity = text[i] == u'&' ? entityAt(text, i) : std::nullopt;
        if (!entity) {
            out += text[i];
            continue;
        }
        out += entity->first;
        i += entity->second - 1;
    }
    return out;
}

struct Tag final {
    QStringView name; // "/td" for a closing tag
    QStringView attributes;
    qsizetype end = 0; // just past '>'
};

Tag readTag(QStringView html, qsizetype at)
{
    Tag tag;
    qsizetype i = at + 1;
    const qsizetype nameStart = i;
    if (i < html.size() && html[i] == u'/')
        ++i;
    while (i < html.size() && html[i].isLetterOrNumber())
        ++i;
    tag.name = html.sliced(nameStart, i - nameStart);
    const qsizetype close = html.indexOf(u'>', i);
    tag.end = close < 0 ? html.size() : close + 1;
    tag.attributes = html.sliced(i, tag.end - i);
    return tag;
}

int columnsOf(QStringView attributes)
{
    const qsizetype at = attributes.indexOf("colspan"_L1, 0, Qt::CaseInsensitive);
    if (at < 0)
        return 1;
    qsizetype i = at + 7;
    while (i < attributes.size() && (attributes[i] == u'=' || attributes[i] == u'"'
                                     || attributes[i] == u'\'' || attributes[i].isSpace()))
        ++i;
    qsizetype digits = i;
    while (digits < attributes.size() && attributes[digits].isDigit())
        ++digits;
    const int columns = attributes.sliced(i, digits - i).toInt();
    return columns > 0 ? columns : 1;
}

// Where the element's raw text ends: its closing tag, or the end of the page.
qsizetype rawTextEnd(QStringView html, qsizetype from, QLatin1StringView closing)
{
    const qsizetype at = html.indexOf(closing, from, Qt::CaseInsensitive);
    return at < 0 ? html.size() : at;
}

} // namespace

QString decodeReport(const QByteArray &bytes)
{
    if (const auto bom = QStringConverter::encodingForData(bytes)) {
        if (auto text = decodeAs(*bom, bytes))
            return *text;
    }
    if (bytes.size() >= 2 && bytes[0] != 0 && bytes[1] == 0) {
        if (auto text = decodeAs(QStringConverter::Utf16LE, bytes))
            return *text;
    }
    if (auto text = decodeAs(QStringConverter::Utf8, bytes))
        return *text;
    return decodeSingleByte(bytes);
}

HtmlPage readHtmlPage(QStringView html)
{
    HtmlPage page;
    int openTables = 0;
    int table = -1;
    bool inCell = false;
    qsizetype i = 0;
    while (i < html.size()) {
        const qsizetype tagAt = html.indexOf(u'<', i);
        const qsizetype textEnd = tagAt < 0 ? html.size() : tagAt;
        if (inCell && textEnd > i) {
            const QStringView text = html.sliced(i, textEnd - i);
            QString &cell = page.rows.last().cells.last().text;
            cell += text.contains(u'&') ? QStringView(resolveEntities(text)) : text;
        }
        if (tagAt < 0)
            break;
        if (startsWith(html, tagAt, "<!--"_L1)) {
            const qsizetype close = html.indexOf("-->"_L1, tagAt + 4);
            i = close < 0 ? html.size() : close + 3;
            continue;
        }
        const Tag tag = readTag(html, tagAt);
        i = tag.end;
        if (is(tag.name, "title"_L1)) {
            const qsizetype end = rawTextEnd(html, i, "</title"_L1);
            page.title = resolveEntities(html.sliced(i, end - i)).simplified();
            i = end;
        } else if (is(tag.name, "style"_L1) || is(tag.name, "script"_L1)) {
            i = rawTextEnd(html, i, is(tag.name, "style"_L1) ? "</style"_L1 : "</script"_L1);
        } else if (is(tag.name, "table"_L1)) {
            ++openTables;
            table = page.tables++;
        } else if (is(tag.name, "/table"_L1)) {
            openTables = qMax(0, openTables - 1);
            inCell = false;
        } else if (is(tag.name, "tr"_L1)) {
            page.rows.append(HtmlRow{table, {}});
            inCell = false;
        } else if (is(tag.name, "td"_L1) || is(tag.name, "th"_L1)) {
            if (page.rows.isEmpty())
                page.rows.append(HtmlRow{table, {}});
            page.rows.last().cells.append(HtmlCell{QString(), columnsOf(tag.attributes)});
            inCell = true;
        } else if (is(tag.name, "/td"_L1) || is(tag.name, "/th"_L1) || is(tag.name, "/tr"_L1)) {
            inCell = false;
        } else if (is(tag.name, "br"_L1) && inCell) {
            page.rows.last().cells.last().text += u' ';
        }
    }
    page.lastTableClosed = page.tables > 0 && openTables == 0;
    for (HtmlRow &row : page.rows) {
        for (HtmlCell &cell : row.cells)
            cell.text = std::move(cell.text).simplified(); // in place
    }
    return page;
}

} // namespace Report
