#pragma once

// The tester's reports as text and as rows of table cells. The terminal writes its HTML by hand:
// no charset declared, unclosed and stray tags, raw ampersands; this reads what a browser
// would show in each cell and nothing more.

#include <QByteArray>
#include <QList>
#include <QString>

namespace Report {

// UTF-16 or UTF-8 when the bytes say so (a byte-order mark, or UTF-16's zero bytes); otherwise
// the single-byte code page of the terminal's language: Cyrillic (windows-1251) when the
// non-ASCII letters come in words of their own, Western (windows-1252) when they sit in Latin
// words.
QString decodeReport(const QByteArray &bytes);

struct HtmlCell final {
    QString text; // whitespace simplified, entities resolved
    int columns = 1;
};

struct HtmlRow final {
    int table = -1; // which <table> of the page, from 0; -1 outside any
    QList<HtmlCell> cells;
};

struct HtmlPage final {
    QString title;
    QList<HtmlRow> rows;
    int tables = 0;
    bool lastTableClosed = false; // false when the page ends inside a table: cut short
};

HtmlPage readHtmlPage(QStringView html);

} // namespace Report
