#include "widgets/chattextedit.h"

#include "protocol/messages.h"
#include "client/conversation/chataction.h"

#include "widgets/balancechart.h"
#include "widgets/mqlhighlighter.h"

#include <QAbstractTextDocumentLayout>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextLayout>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

const QColor kUserColour(0x95, 0xEC, 0x69);
const QColor kServiceColour(0xF0, 0xF0, 0xF0);
// Risks: amber, set apart from the grey notices while the black text keeps its contrast.
const QColor kWarningColour(0xFF, 0xE3, 0xB3);
// Backtests: a pale blue card, so that a test's figures stand apart from the talk around them.
const QColor kBacktestColour(0xDC, 0xE9, 0xFA);
// The badge of a test the stand-in tester wrote: its figures are made up.
const QColor kDemoBadgeColour(0xB0, 0x5A, 0x00);
// Fixed like the bubbles and their black text, so that a dark theme keeps it readable.
const QColor kLinkColour(0x0B, 0x57, 0xD0);
constexpr int kFontPixels = 14;
// Inside a bubble, around its text.
constexpr qreal kPaddingX = 12;
constexpr qreal kPaddingY = 6;
// From a bubble's text to the edge of its paragraph: the padding plus the room each bubble
// keeps around it (2 px beside, 6 px above and below), so neighbours never touch.
constexpr qreal kMarginX = kPaddingX + 2;
constexpr qreal kMarginY = kPaddingY + 6;
// Set on a bubble's paragraph only: true for the user's own request.
constexpr int kSideProperty = QTextFormat::UserProperty;
// The bubble's ChatEntry::Kind and the conversation's number for it.
constexpr int kKindProperty = QTextFormat::UserProperty + 1;
constexpr int kIdProperty = QTextFormat::UserProperty + 2;
// Where a program's lines start in its paragraph, and (the next property) how long they are.
constexpr int kCodeStartProperty = QTextFormat::UserProperty + 3;
// A request longer than this, in lines or characters, shows its start and "Show all".
constexpr int kFoldedLines = ChatEntry::PreviewLines;
constexpr int kFoldedChars = 1200;

// The whole text of a folded request, kept with its paragraph.
struct WholeRequest final : QTextBlockUserData
{
    explicit WholeRequest(const QString &text)
        : text(text)
    {
    }
    QString text;
};

// What would start a paragraph of its own (a line feed, the paragraph separator and the two
// characters the text engine itself uses to mark paragraphs); a message stays one paragraph.
bool breaksLine(QChar c)
{
    return c == QLatin1Char('\n') || c == QChar::ParagraphSeparator || c == QChar(0xfdd0) || c == QChar(0xfdd1);
}

// A bubble's text without its curve: the image's placeholder and the line break before it.
QString withoutCurve(QString text, QChar lineBreak)
{
    return text.remove(QString(lineBreak) + QChar(QChar::ObjectReplacementCharacter));
}

// The text as rich text shows it, as the transcript always has: a run of white space is one
// blank, none at the start of a line, and a line feed breaks the line inside the bubble.
QString shownText(const QString &text)
{
    QString shown;
    shown.reserve(text.size());
    bool afterSpace = true;
    for (const QChar c : text) {
        if (breaksLine(c)) {
            shown += QChar(QChar::LineSeparator);
            afterSpace = true;
        } else if (c.isSpace() && c != QChar(QChar::Nbsp)) {
            if (!afterSpace)
                shown += QLatin1Char(' ');
            afterSpace = true;
        } else {
            shown += c;
            afterSpace = false;
        }
    }
    return shown;
}

QTextCharFormat textFormat()
{
    QTextCharFormat format;
    format.setProperty(QTextFormat::FontPixelSize, kFontPixels);
    format.setForeground(QColor(0x00, 0x00, 0x00));
    return format;
}

QTextCharFormat linkFormat(const QString &href)
{
    QTextCharFormat format = textFormat();
    format.setAnchor(true);
    format.setAnchorHref(href);
    format.setFontUnderline(true);
    format.setForeground(kLinkColour);
    return format;
}

QTextCharFormat badgeFormat()
{
    QTextCharFormat format = textFormat();
    format.setProperty(QTextFormat::FontPixelSize, kFontPixels - 2);
    format.setFontWeight(QFont::Bold);
    format.setForeground(QColor(0xFF, 0xFF, 0xFF));
    format.setBackground(kDemoBadgeColour);
    return format;
}

QTextCharFormat codeFormat()
{
    QTextCharFormat format = textFormat();
    format.setFontFamilies({QFontDatabase::systemFont(QFontDatabase::FixedFont).family()});
    format.setFontFixedPitch(true);
    format.setProperty(QTextFormat::FontPixelSize, kFontPixels - 1);
    return format;
}

// Lines of code as a bubble shows them: their own line breaks, their indentation kept.
QString codeText(QStringList lines)
{
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        line.replace(QLatin1Char('\t'), QLatin1String("    "));
    }
    return lines.join(QChar(QChar::LineSeparator));
}

// A program's first lines, without the note its writer keeps for itself.
QString codePreview(const QString &code)
{
    QStringList lines = code.split(QLatin1Char('\n'));
    if (lines.constLast().isEmpty()) // the line feed that ends the last line
        lines.removeLast();
    lines.removeIf([](const QString &line) { return WriterNote::isNoteLine(line); });
    return codeText(lines.mid(0, ChatEntry::PreviewLines));
}

// A pasted program or log: at least half of its lines indented or ending as statements and blocks do.
bool looksLikeCode(const QString &text)
{
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (lines.size() < 3)
        return false;
    const auto codeLike = [](const QString &line) {
        const QString trimmed = line.trimmed();
        return line.startsWith(QLatin1Char(' ')) || line.startsWith(QLatin1Char('\t')) || trimmed.startsWith(QLatin1String("//"))
            || trimmed.endsWith(QLatin1Char(';')) || trimmed.endsWith(QLatin1Char('{')) || trimmed.endsWith(QLatin1Char('}'));
    };
    return 2 * std::count_if(lines.cbegin(), lines.cend(), codeLike) >= lines.size();
}

// The start of a long request, or nothing when it is short enough to show whole.
QString foldedRequest(const QString &text)
{
    const QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.size() <= kFoldedLines && text.size() <= kFoldedChars)
        return {};
    return lines.mid(0, kFoldedLines).join(QLatin1Char('\n')).left(kFoldedChars) + QStringLiteral(" …");
}

QTextBlockFormat bubbleFormat(bool isUser, qreal leftMargin)
{
    QTextBlockFormat format;
    format.setProperty(kSideProperty, isUser);
    // Absolute: right-to-left text keeps its bubble on the side of its sender.
    format.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
    format.setLeftMargin(leftMargin);
    format.setRightMargin(kMarginX);
    format.setTopMargin(kMarginY);
    format.setBottomMargin(kMarginY);
    return format;
}

// The empty paragraph before, between and after the bubbles takes no room of its own.
QTextBlockFormat separatorFormat()
{
    QTextBlockFormat format;
    format.setLineHeight(0, QTextBlockFormat::FixedHeight);
    return format;
}

// A message that wraps fills the width it wraps at, as a shrink-to-fit table cell did.
QRectF bubbleRect(const QTextBlock &block)
{
    const QTextLayout *layout = block.layout();
    const bool wraps = layout->lineCount() > block.text().count(QChar(QChar::LineSeparator)) + 1;
    QRectF text;
    for (int i = 0; i < layout->lineCount(); ++i)
        text |= wraps ? layout->lineAt(i).rect() : layout->lineAt(i).naturalTextRect();
    return text.translated(layout->position()).adjusted(-kPaddingX, -kPaddingY, kPaddingX, kPaddingY);
}

} // namespace

ChatTextEdit::ChatTextEdit(QWidget *parent)
    : QTextEdit(parent)
{
    setReadOnly(true);
    // Nobody can undo in a read-only view; the history would only hold memory.
    document()->setUndoRedoEnabled(false);
    m_highlighter = new MqlHighlighter(document(), kCodeStartProperty);
}

ChatTextEdit::~ChatTextEdit() = default;

void ChatTextEdit::appendMessage(const QString &text, bool isUser, const QString &linkText,
                                 const QString &href)
{
    ChatEntry entry;
    entry.kind = isUser ? ChatEntry::Kind::User : ChatEntry::Kind::Service;
    entry.text = text;
    if (!linkText.isEmpty())
        entry.textLinks = {{linkText, href}};
    showEntry(-1, entry);
}

void ChatTextEdit::showEntry(int id, const ChatEntry &entry)
{
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    // A new or cleared document holds one default paragraph, which must not take room.
    if (document()->isEmpty())
        cursor.setBlockFormat(separatorFormat());
    cursor.insertBlock();
    insertEntry(cursor, entry, id);
    cursor.insertBlock(separatorFormat(), QTextCharFormat());
    cursor.endEditBlock();

    if (QScrollBar *bar = verticalScrollBar())
        bar->setValue(bar->maximum());
}

void ChatTextEdit::changeEntry(int id, const ChatEntry &entry)
{
    // Entries that change are the newest ones, so the search from the end is short.
    for (QTextBlock block = document()->lastBlock(); block.isValid(); block = block.previous()) {
        const QVariant blockId = block.blockFormat().property(kIdProperty);
        if (blockId.isValid() && blockId.toInt() == id) {
            replaceEntry(block, entry, id, false);
            return;
        }
    }
}

void ChatTextEdit::replaceEntry(const QTextBlock &block, const ChatEntry &entry, int id, bool whole)
{
    QTextCursor cursor(block);
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    insertEntry(cursor, entry, id, whole);
    cursor.endEditBlock();
}

// A folded request's "Show all" puts the whole request in its place.
void ChatTextEdit::showWholeRequest(const QTextBlock &block)
{
    const auto *request = static_cast<const WholeRequest *>(block.userData());
    if (!request)
        return;
    ChatEntry entry;
    entry.kind = ChatEntry::Kind::User;
    entry.text = request->text;
    const QVariant id = block.blockFormat().property(kIdProperty);
    replaceEntry(block, entry, id.isValid() ? id.toInt() : -1, true);
}

void ChatTextEdit::activate(const QString &href, const QTextBlock &block)
{
    const std::optional<ChatAction> action = ChatAction::fromHref(href);
    if (action && action->kind == ChatAction::Kind::ShowRequest)
        showWholeRequest(block);
    else
        Q_EMIT linkActivated(href);
}

// Fills the empty paragraph at cursor with the entry; a long request folded unless whole.
void ChatTextEdit::insertEntry(QTextCursor &cursor, const ChatEntry &given, int id, bool whole)
{
    ChatEntry entry = given;
    const bool isUser = entry.kind == ChatEntry::Kind::User;
    // A pasted program keeps its indentation; a long request leaves room for the rest of the chat.
    const bool codeRequest = isUser && looksLikeCode(entry.text);
    const QString folded = isUser && !whole ? foldedRequest(entry.text) : QString();
    if (!folded.isEmpty())
        entry.links.append({tr("Show all"), ChatAction{ChatAction::Kind::ShowRequest}.href()});  // opened by the view itself
    const QString text = folded.isEmpty() ? entry.text : folded;
    const QString shown = codeRequest ? codeText(text.split(QLatin1Char('\n'))) : shownText(text);
    const int natural = isUser ? naturalWidth(shown, codeRequest) : 0;

    QTextBlockFormat format = bubbleFormat(isUser, isUser ? userIndent(natural) : kMarginX);
    format.setProperty(kKindProperty, int(entry.kind));
    if (id >= 0)
        format.setProperty(kIdProperty, id);
    const QString code = entry.kind == ChatEntry::Kind::Program ? codePreview(entry.code) : QString();
    if (codeRequest) {
        format.setProperty(kCodeStartProperty, 0);
        format.setProperty(kCodeStartProperty + 1, int(shown.size()));
    } else if (!code.isEmpty()) {
        format.setProperty(kCodeStartProperty, int(shown.isEmpty() ? 0 : shown.size() + 1));
        format.setProperty(kCodeStartProperty + 1, int(code.size()));
    }
    cursor.setBlockFormat(format);
    cursor.setBlockCharFormat(textFormat());
    if (entry.kind == ChatEntry::Kind::Backtest && entry.demo) {
        cursor.insertText(tr("demo"), badgeFormat());
        cursor.insertText(QString(QChar(QChar::LineSeparator)), textFormat());
    }
    qsizetype written = 0;
    for (const ChatEntry::Link &textLink : entry.textLinks) {
        const QString link = shownText(textLink.text);
        const qsizetype start = link.isEmpty()              ? -1
            : entry.textLinks.size() == 1 ? shown.lastIndexOf(link)
                                          : shown.indexOf(link, written);
        if (start < written)
            continue;
        cursor.insertText(shown.mid(written, start - written), textFormat());
        cursor.insertText(link, linkFormat(textLink.href));
        written = start + link.size();
    }
    cursor.insertText(shown.mid(written), codeRequest ? codeFormat() : textFormat());
    if (!code.isEmpty()) {
        if (!shown.isEmpty())
            cursor.insertText(QString(QChar(QChar::LineSeparator)), textFormat());
        cursor.insertText(code, codeFormat());
    }
    const bool curve = entry.kind == ChatEntry::Kind::Backtest && insertCurve(cursor, entry.curve, id);
    for (qsizetype i = 0; i < entry.links.size(); ++i) {
        const bool first = i == 0 && (!shown.isEmpty() || !code.isEmpty() || curve);
        cursor.insertText(first ? QString(QChar(QChar::LineSeparator)) : i == 0 ? QString() : QStringLiteral("   "),
                          textFormat());
        cursor.insertText(entry.links.at(i).text, linkFormat(entry.links.at(i).href));
    }
    // Kept for placing the user's bubble again when the view's width changes.
    cursor.block().setUserState(natural);
    cursor.block().setUserData(folded.isEmpty() ? nullptr : new WholeRequest(given.text));
}

// A backtest's balance on a line of its own below its figures, as an image the document keeps
// under the entry's number, so that changing the entry replaces it. False when there is no curve.
bool ChatTextEdit::insertCurve(QTextCursor &cursor, const QList<double> &balance, int id)
{
    const QImage image = BalanceChart::render(balance, devicePixelRatioF());
    if (image.isNull())
        return false;
    const QUrl name(QStringLiteral("backtest-curve:%1").arg(id));
    document()->addResource(QTextDocument::ImageResource, name, image);
    QTextImageFormat format;
    format.setName(name.toString());
    format.setWidth(BalanceChart::kSize.width());
    format.setHeight(BalanceChart::kSize.height());
    cursor.insertText(QString(QChar(QChar::LineSeparator)), textFormat());
    cursor.insertImage(format);
    return true;
}

QList<ChatTextEdit::Message> ChatTextEdit::messages() const
{
    QList<Message> result;
    // The empty paragraphs between the bubbles carry no side.
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        const QVariant isUser = block.blockFormat().property(kSideProperty);
        if (!isUser.isValid())
            continue;
        QString text = withoutCurve(block.text(), QChar(QChar::LineSeparator));
        text.replace(QChar(QChar::LineSeparator), QLatin1Char('\n'));
        result.append({text, isUser.toBool()});
    }
    return result;
}

QMimeData *ChatTextEdit::createMimeDataFromSelection() const
{
    QMimeData *data = QTextEdit::createMimeDataFromSelection();
    data->setText(withoutCurve(data->text(), QLatin1Char('\n')));
    return data;
}

void ChatTextEdit::paintEvent(QPaintEvent *event)
{
    paintBubbles(event->rect());
    QTextEdit::paintEvent(event);
}

void ChatTextEdit::resizeEvent(QResizeEvent *event)
{
    const qreal textWidth = document()->textWidth();
    QTextEdit::resizeEvent(event);
    if (document()->textWidth() != textWidth)
        alignUserBubbles(false);
}

void ChatTextEdit::changeEvent(QEvent *event)
{
    QTextEdit::changeEvent(event);
    // The bubbles' text is in the widget's font, at its own size.
    if (event->type() == QEvent::FontChange)
        alignUserBubbles(true);
}

// Only the bubbles in the area, so that a paint costs the same however long the transcript.
void ChatTextEdit::paintBubbles(const QRect &area)
{
    QAbstractTextDocumentLayout *layout = document()->documentLayout();
    const QPointF offset(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
    QTextBlock block = cursorForPosition(area.topLeft()).block();
    // The area may begin in the gap below a bubble whose padding reaches into it.
    for (int i = 0; i < 2 && block.previous().isValid(); ++i)
        block = block.previous();

    QPainter painter(viewport());
    for (; block.isValid(); block = block.next()) {
        // Also lays the paragraph out if it is not yet.
        if (layout->blockBoundingRect(block).translated(offset).top() - kPaddingY > area.bottom())
            break;
        const QVariant isUser = block.blockFormat().property(kSideProperty);
        // Whole pixels outwards, as table cells were filled.
        if (isUser.isValid()) {
            const int kind = block.blockFormat().intProperty(kKindProperty);
            const QColor colour = isUser.toBool()                     ? kUserColour
                : kind == int(ChatEntry::Kind::Warning)  ? kWarningColour
                : kind == int(ChatEntry::Kind::Backtest) ? kBacktestColour
                                                         : kServiceColour;
            painter.fillRect(bubbleRect(block).translated(offset).toAlignedRect(), colour);
        }
    }
}

// A user's bubble sits on the right while its lines all start at the same x: the paragraph
// stays left-aligned and is indented by the room its widest line leaves.
qreal ChatTextEdit::userIndent(int naturalWidth) const
{
    const qreal room = document()->textWidth() - 2 * document()->documentMargin() - 2 * kMarginX;
    return kMarginX + std::max<qreal>(0, std::floor(room - naturalWidth));
}

// The widest line of the message unwrapped, rounded up so that the text fits what its indent
// leaves.
int ChatTextEdit::naturalWidth(const QString &shown, bool code) const
{
    QFont font = code ? QFontDatabase::systemFont(QFontDatabase::FixedFont) : document()->defaultFont();
    font.setPixelSize(code ? kFontPixels - 1 : kFontPixels);
    QTextOption option = document()->defaultTextOption();
    option.setWrapMode(QTextOption::NoWrap);
    QTextLayout lines(shown, font);
    lines.setTextOption(option);
    qreal widest = 0;
    lines.beginLayout();
    for (QTextLine line = lines.createLine(); line.isValid(); line = lines.createLine()) {
        line.setLineWidth(0);
        widest = std::max(widest, line.naturalTextWidth());
    }
    lines.endLayout();
    return int(std::ceil(widest));
}

// The room beside a user's bubble changes with the view's width; its text's width with the font.
void ChatTextEdit::alignUserBubbles(bool remeasure)
{
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        QTextBlockFormat format = block.blockFormat();
        if (!format.property(kSideProperty).toBool())
            continue;
        if (remeasure)
            block.setUserState(naturalWidth(block.text(), format.hasProperty(kCodeStartProperty)));
        const qreal indent = userIndent(block.userState());
        if (format.leftMargin() == indent)
            continue;
        format.setLeftMargin(indent);
        cursor.setPosition(block.position());
        cursor.setBlockFormat(format);
    }
    cursor.endEditBlock();
}

void ChatTextEdit::mousePressEvent(QMouseEvent *event)
{
    m_pressedLink = event->button() == Qt::LeftButton ? anchorAt(event->position().toPoint()) : QString();
    QTextEdit::mousePressEvent(event);
}

void ChatTextEdit::mouseMoveEvent(QMouseEvent *event)
{
    QTextEdit::mouseMoveEvent(event);
    const bool overLink = !anchorAt(event->position().toPoint()).isEmpty();
    viewport()->setCursor(overLink ? Qt::PointingHandCursor : Qt::IBeamCursor);
}

// A click is a press and a release on the same link, as with a button.
void ChatTextEdit::mouseReleaseEvent(QMouseEvent *event)
{
    QTextEdit::mouseReleaseEvent(event);
    const QString pressed = std::exchange(m_pressedLink, QString());
    if (event->button() == Qt::LeftButton && !pressed.isEmpty()
        && anchorAt(event->position().toPoint()) == pressed)
        activate(pressed, cursorForPosition(event->position().toPoint()).block());
}

void ChatTextEdit::keyPressEvent(QKeyEvent *event)
{
    const bool activates = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter
        || event->key() == Qt::Key_Space;
    const QString link = activates ? selectedLink() : QString();
    if (link.isEmpty()) {
        QTextEdit::keyPressEvent(event);
        return;
    }
    event->accept();
    activate(link, textCursor().block());
}

// Tab walks the links, as in a browser, and leaves the view after the last one.
bool ChatTextEdit::focusNextPrevChild(bool next)
{
    const QTextCursor current = textCursor();
    const int from = next ? current.selectionEnd() : current.selectionStart();
    for (QTextBlock block = document()->findBlock(from); block.isValid();
         block = next ? block.next() : block.previous()) {
        QList<QTextFragment> links;
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().isAnchor())
                links.append(it.fragment());
        }
        if (!next)
            std::reverse(links.begin(), links.end());
        for (const QTextFragment &link : std::as_const(links)) {
            const int start = link.position();
            const int end = start + link.length();
            if (next ? start < from : end > from)
                continue;
            QTextCursor selection(document());
            selection.setPosition(start);
            selection.setPosition(end, QTextCursor::KeepAnchor);
            setTextCursor(selection);
            ensureCursorVisible();
            return true;
        }
    }
    // The next round through the links starts over.
    QTextCursor edge(document());
    edge.movePosition(next ? QTextCursor::Start : QTextCursor::End);
    setTextCursor(edge);
    return QTextEdit::focusNextPrevChild(next);
}

void ChatTextEdit::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createStandardContextMenu();
    const QList<QAction *> own = actions();
    if (!own.isEmpty()) {
        menu->addSeparator();
        menu->addActions(own);
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

// The link that Tab chose, while it is still chosen.
QString ChatTextEdit::selectedLink() const
{
    const QTextCursor selection = textCursor();
    if (!selection.hasSelection())
        return {};
    QTextCursor first(document());
    first.setPosition(selection.selectionStart() + 1);
    const QTextCharFormat format = first.charFormat();
    return format.isAnchor() && selection.charFormat().anchorHref() == format.anchorHref() ? format.anchorHref()
                                                                                           : QString();
}
