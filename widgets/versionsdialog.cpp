#include "widgets/versionsdialog.h"

#include "client/conversation/backtesttexts.h"
#include "client/conversation/distinctversions.h"
#include "client/archive/linediff.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QListWidget>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Added and removed lines on a tint that the palette's text stays readable on, light or dark.
const QColor kAdded(0, 170, 0, 64);
const QColor kRemoved(230, 0, 0, 64);

// The difference as LineDiff::listing writes it, each added and removed line tinted.
void showDifference(QPlainTextEdit *view, const QList<LineDiff::Line> &lines)
{
    view->clear();
    QTextCursor cursor(view->document());
    for (qsizetype index = 0; index < lines.size(); ++index) {
        const LineDiff::Line &line = lines.at(index);
        if (index > 0)
            cursor.insertBlock();
        QTextBlockFormat format;
        if (line.kind != LineDiff::Line::Kind::Same)
            format.setBackground(line.kind == LineDiff::Line::Kind::Added ? kAdded : kRemoved);
        cursor.setBlockFormat(format);
        cursor.insertText(LineDiff::listing({line}).chopped(1));
    }
    view->moveCursor(QTextCursor::Start);
}

QPlainTextEdit *codeView(QWidget *parent)
{
    auto *view = new QPlainTextEdit(parent);
    view->setReadOnly(true);
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    return view;
}

} // namespace

VersionsDialog::VersionsDialog(const QString &title, const QList<ProgramVersion> &versions, int current, QWidget *parent)
    : QDialog(parent)
    , m_versions(distinctVersions(versions, current))
    , m_current(current)
    , m_list(new QListWidget(this))
    , m_source(codeView(this))
    , m_difference(codeView(this))
{
    setWindowTitle(tr("Versions of %1").arg(title));
    const auto chatVersion = std::find_if(versions.cbegin(), versions.cend(),
                                          [current](const ProgramVersion &version) { return version.number == current; });
    m_currentSource = chatVersion != versions.cend() ? chatVersion->source : QString();
    m_list->setObjectName(QStringLiteral("listWidget_versions"));
    m_difference->setObjectName(QStringLiteral("plainTextEdit_difference"));
    for (const ProgramVersion &version : std::as_const(m_versions)) {
        QString row = QStringLiteral("%1 — %2 — %3").arg(QLocale().toString(version.time, QLocale::ShortFormat),
                                                         version.request.section(QLatin1Char('\n'), 0, 0),
                                                         verdictText(version));
        if (version.number == current)
            row += QLatin1Char(' ') + tr("(the chat's program)");
        if (version.backtest)
            row += QLatin1Char('\n') + backtestText(*version.backtest);
        m_list->addItem(row);
    }
    auto *tabs = new QTabWidget(this);
    tabs->addTab(m_source, tr("Program"));
    tabs->addTab(m_difference, tr("Difference to the chat's program"));
    auto *split = new QSplitter(Qt::Vertical, this);
    split->addWidget(m_list);
    split->addWidget(tabs);
    split->setStretchFactor(1, 3);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_use = buttons->addButton(tr("Use this version"), QDialogButtonBox::ActionRole);
    m_use->setObjectName(QStringLiteral("pushButton_useVersion"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_use, &QPushButton::clicked, this, [this] {
        const int row = m_list->currentRow();
        if (row >= 0) {
            Q_EMIT versionChosen(m_versions.at(row).number);
            accept();
        }
    });
    connect(m_list, &QListWidget::currentRowChanged, this, &VersionsDialog::showVersion);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(split);
    layout->addWidget(buttons);
    resize(800, 600);
    m_list->setCurrentRow(int(m_versions.size()) - 1);
}

void VersionsDialog::showVersion(int row)
{
    if (row < 0 || row >= m_versions.size())
        return;
    const ProgramVersion &version = m_versions.at(row);
    m_source->setPlainText(version.source);
    showDifference(m_difference, LineDiff::compare(m_currentSource, version.source));
    m_use->setEnabled(version.number != m_current);
}

QString VersionsDialog::verdictText(const ProgramVersion &version)
{
    switch (version.verdict) {
    case ProgramVersion::Verdict::Compiled:
        return tr("compiled");
    case ProgramVersion::Verdict::Errors:
        return tr("compile errors: %1").arg(version.errors.size());
    case ProgramVersion::Verdict::Failed:
        return tr("not compiled: the compiler did not run");
    case ProgramVersion::Verdict::NotCompiled:
        break;
    }
    return tr("not compiled");
}

// A version's last test on a line below its verdict, its figures side by side.
QString VersionsDialog::backtestText(const TesterReport &report)
{
    const QString figures = BacktestTexts::figures(report).replace(QLatin1Char('\n'), QStringLiteral(" · "));
    return report.demo ? tr("Backtest (demo): %1").arg(figures) : tr("Backtest: %1").arg(figures);
}
