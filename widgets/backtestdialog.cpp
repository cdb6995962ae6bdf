#include "widgets/backtestdialog.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QValidator>

#include <algorithm>

namespace {

// Symbols as the terminal lists them: upper case, no blanks.
class SymbolValidator final : public QValidator
{
public:
    using QValidator::QValidator;

    State validate(QString &input, int &) const override
    {
        input = input.toUpper();
        return std::any_of(input.cbegin(), input.cend(), [](QChar c) { return c.isSpace(); }) ? Invalid : Acceptable;
    }
};

QDateEdit *dateEdit(const QDate &date, const QString &name, QWidget *parent)
{
    auto *edit = new QDateEdit(date, parent);
    edit->setObjectName(name);
    edit->setCalendarPopup(true);
    // The terminal's own way of writing dates.
    edit->setDisplayFormat(QStringLiteral("yyyy.MM.dd"));
    return edit;
}

} // namespace

BacktestDialog::BacktestDialog(Protocol::Platform platform, const BacktestChoice &initial, QWidget *parent)
    : QDialog(parent)
    , m_symbol(new QLineEdit(this))
    , m_period(new QComboBox(this))
    , m_from(dateEdit(initial.from, QStringLiteral("dateEdit_from"), this))
    , m_to(dateEdit(initial.to, QStringLiteral("dateEdit_to"), this))
    , m_deposit(new QDoubleSpinBox(this))
    , m_model(new QComboBox(this))
{
    setWindowTitle(tr("Backtest"));
    setWindowModality(Qt::WindowModal);

    m_symbol->setObjectName(QStringLiteral("lineEdit_symbol"));
    m_symbol->setValidator(new SymbolValidator(m_symbol));
    m_symbol->setText(initial.symbol.toUpper()); // the validator sees only what is typed
    m_period->setObjectName(QStringLiteral("comboBox_period"));
    m_period->addItems(BacktestChoice::periods());
    const int period = m_period->findText(initial.period);
    m_period->setCurrentIndex(period >= 0 ? period : m_period->findText(QStringLiteral("H1")));
    // The end never comes before the start: moving the start past it moves it along.
    m_to->setMinimumDate(m_from->date());
    connect(m_from, &QDateEdit::dateChanged, m_to, &QDateEdit::setMinimumDate);
    m_deposit->setObjectName(QStringLiteral("doubleSpinBox_deposit"));
    m_deposit->setRange(0.01, 1e9);
    m_deposit->setDecimals(2);
    m_deposit->setGroupSeparatorShown(true);
    m_deposit->setValue(initial.deposit);
    m_model->setObjectName(QStringLiteral("comboBox_model"));
    fillModels(platform, initial.model);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    m_run = buttons->addButton(tr("Run"), QDialogButtonBox::AcceptRole);
    m_run->setObjectName(QStringLiteral("pushButton_run"));
    m_run->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &BacktestDialog::run);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_symbol, &QLineEdit::textChanged, m_run,
            [this](const QString &symbol) { m_run->setEnabled(!symbol.isEmpty()); });
    m_run->setEnabled(!m_symbol->text().isEmpty());

    auto *form = new QFormLayout(this);
    form->addRow(tr("Symbol"), m_symbol);
    form->addRow(tr("Period"), m_period);
    form->addRow(tr("From"), m_from);
    form->addRow(tr("To"), m_to);
    form->addRow(tr("Deposit"), m_deposit);
    form->addRow(tr("Model"), m_model);
    form->addRow(buttons);
}

BacktestChoice BacktestDialog::choice() const
{
    BacktestChoice choice;
    choice.symbol = m_symbol->text();
    choice.period = m_period->currentText();
    choice.from = m_from->date();
    choice.to = m_to->date();
    choice.deposit = m_deposit->value();
    choice.model = m_model->currentData().toInt();
    return choice;
}

// Each tester's models under their own numbers; a model the platform lacks falls back to its
// quick one, which both number 1.
void BacktestDialog::fillModels(Protocol::Platform platform, int model)
{
    m_model->addItem(tr("Every tick"), 0);
    if (platform == Protocol::Platform::Mt5) {
        m_model->addItem(tr("1 minute OHLC"), 1);
        m_model->addItem(tr("Open prices only"), 2);
        m_model->addItem(tr("Every tick based on real ticks"), 4);
    } else {
        m_model->addItem(tr("Control points"), 1);
        m_model->addItem(tr("Open prices only"), 2);
    }
    const int index = m_model->findData(model);
    m_model->setCurrentIndex(index >= 0 ? index : m_model->findData(1));
}

void BacktestDialog::run()
{
    Q_EMIT chosen(choice());
    accept();
}
