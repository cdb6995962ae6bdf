#pragma once

#include <QSyntaxHighlighter>

// Colours MQL4/MQL5 source: keywords and types, preprocessor lines, strings, comments and
// numbers. With a code property, only the blocks that carry it are coloured, from the
// position that property gives over the length the next property gives, so that a document
// mixing prose and code (the transcript) colours only its code.
class MqlHighlighter final : public QSyntaxHighlighter
{
    Q_OBJECT

public:
    explicit MqlHighlighter(QTextDocument *document, int codeStartProperty = -1);

protected:
    void highlightBlock(const QString &text) override;

private:
    int m_codeStartProperty;
};
