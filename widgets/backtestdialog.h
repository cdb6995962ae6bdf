#pragma once

#include "client/conversation/backtestchoice.h"
#include "protocol/domain.h"

#include <QDialog>

class QComboBox;
class QDateEdit;
class QDoubleSpinBox;
class QLineEdit;
class QPushButton;

// What a backtest runs on: symbol, timeframe, dates, deposit and the tester's model, whose
// choices are the platform's tester's own. Window-modal; callers open() it.
class BacktestDialog final : public QDialog
{
    Q_OBJECT

public:
    BacktestDialog(Protocol::Platform platform, const BacktestChoice &initial, QWidget *parent = nullptr);

    // What the form holds now.
    BacktestChoice choice() const;

Q_SIGNALS:
    // Run, with the form's values.
    void chosen(const BacktestChoice &choice);

private:
    void fillModels(Protocol::Platform platform, int model);
    void run();

    QLineEdit *m_symbol;
    QComboBox *m_period;
    QDateEdit *m_from;
    QDateEdit *m_to;
    QDoubleSpinBox *m_deposit;
    QComboBox *m_model;
    QPushButton *m_run;
};
