#include "programextraction.h"

#include <QRegularExpression>

namespace {

// Reasoning that some models put first; unterminated, it runs to the end of the answer.
QString withoutReasoning(QString answer)
{
    static const QRegularExpression closed(QStringLiteral("<think>.*?</think>"),
                                           QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression open(QStringLiteral("<think>.*$"),
                                         QRegularExpression::DotMatchesEverythingOption);
    // Some templates send only the closing tag: what comes before it is reasoning too.
    const qsizetype strayClose = answer.indexOf(QLatin1String("</think>"));
    if (strayClose >= 0 && !answer.left(strayClose).contains(QLatin1String("<think>")))
        answer.remove(0, strayClose + int(sizeof("</think>")) - 1);
    return answer.remove(closed).remove(open).trimmed();
}

struct Block
{
    QString tag;
    QString code;
    qsizetype start = 0;
    qsizetype end = 0;
};

bool isProgramTag(const QString &tag)
{
    static const QStringList tags{QStringLiteral("mql4"), QStringLiteral("mql5"),
                                  QStringLiteral("mq4"),  QStringLiteral("mq5"),
                                  QStringLiteral("cpp"),  QStringLiteral("c++")};
    return tags.contains(tag.toLower());
}

// Text that opens like an MQL program: a directive, a comment header, an input or a function.
bool startsLikeProgram(const QString &text)
{
    static const QRegularExpression opening(QStringLiteral(
        R"(^\s*(#property|#include|#define|//|/\*|input\s|extern\s|(int|void|double|bool)\s+\w+\s*\())"));
    return opening.match(text).hasMatch();
}

} // namespace

ExtractedAnswer ExtractedAnswer::from(const QString &answer, bool cutOffByLimit)
{
    ExtractedAnswer result;
    const QString text = withoutReasoning(answer);
    if (cutOffByLimit) {
        result.outcome = Outcome::CutOff;
        return result;
    }
    static const QRegularExpression fence(
        QStringLiteral("^[ \\t]*```[ \\t]*([\\w+#.-]*)[^\\n]*\\n"),
        QRegularExpression::MultilineOption);
    static const QRegularExpression closingFence(QStringLiteral("^[ \\t]*```[ \\t]*$"),
                                                 QRegularExpression::MultilineOption);
    QList<Block> blocks;
    for (qsizetype from = 0;;) {
        const QRegularExpressionMatch open = fence.match(text, from);
        if (!open.hasMatch())
            break;
        const QRegularExpressionMatch close = closingFence.match(text, open.capturedEnd());
        if (!close.hasMatch()) {
            result.outcome = Outcome::CutOff;
            return result;
        }
        blocks.append({open.captured(1),
                       text.mid(open.capturedEnd(), close.capturedStart() - open.capturedEnd()),
                       open.capturedStart(), close.capturedEnd()});
        from = close.capturedEnd();
    }
    const Block *chosen = nullptr;
    for (const Block &block : blocks) {
        if (isProgramTag(block.tag)) {
            if (!chosen || !isProgramTag(chosen->tag) || block.code.size() > chosen->code.size())
                chosen = &block;
        } else if (!chosen
                   || (!isProgramTag(chosen->tag) && block.code.size() > chosen->code.size())) {
            chosen = &block;
        }
    }
    if (chosen) {
        result.program = chosen->code.trimmed() + u'\n';
        // Every block taken out: the explanation is prose, never a second program.
        qsizetype copied = 0;
        for (const Block &block : std::as_const(blocks)) {
            result.explanation += QStringView(text).mid(copied, block.start - copied);
            copied = block.end;
        }
        result.explanation = (result.explanation + text.mid(copied)).trimmed();
    } else if (startsLikeProgram(text)) {
        result.program = text + u'\n';
    }
    if (!result.program.trimmed().isEmpty())
        result.outcome = Outcome::Program;
    return result;
}

QString ReasoningFilter::visible(const QString &piece)
{
    static const QLatin1String open("<think>");
    static const QLatin1String close("</think>");
    m_pending += piece;
    QString shown;
    for (;;) {
        const QLatin1String tag = m_inside ? close : open;
        const qsizetype at = m_pending.indexOf(tag);
        if (at < 0) {
            // The end may be the start of the tag, whose rest comes with the next piece.
            qsizetype kept = qMin(m_pending.size(), tag.size() - 1);
            while (kept > 0 && !m_pending.endsWith(tag.left(kept)))
                --kept;
            if (!m_inside)
                shown += QStringView(m_pending).left(m_pending.size() - kept);
            m_pending.remove(0, m_pending.size() - kept);
            return shown;
        }
        if (!m_inside)
            shown += QStringView(m_pending).left(at);
        m_pending.remove(0, at + tag.size());
        m_inside = !m_inside;
    }
}
