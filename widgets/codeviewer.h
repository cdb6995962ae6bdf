#pragma once

#include <QDialog>
#include <QPlainTextEdit>

class QLineEdit;
class QLabel;

// A program, read-only, with line numbers and colours.
class CodeView final : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit CodeView(QWidget *parent = nullptr);

    int lineNumberWidth() const;
    // Shows the line numbers of the visible lines in area, beside the text.
    void paintLineNumbers(QWidget *area, const QRect &rect);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QWidget *m_numbers;
};

// The whole of a generated program: Find, Copy, and the line a warning names.
class CodeViewer final : public QDialog
{
    Q_OBJECT

public:
    CodeViewer(const QString &title, const QString &code, QWidget *parent = nullptr);

    // Selects the line (1-based) and brings it into view.
    void showLine(int line);
    CodeView *view() const { return m_view; }

private:
    void findNext();

    CodeView *m_view;
    QLineEdit *m_find;
    QLabel *m_findResult;
};
