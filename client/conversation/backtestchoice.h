#pragma once

#include "protocol/domain.h"

#include <QDate>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <optional>

// What the trader chose for a chat's backtests in its form; kept with the chat, so that the
// next test of the same chat starts from it.
struct BacktestChoice final
{
    QString symbol;
    QString period;   // M1 ... MN1
    QDate from;
    QDate to;
    double deposit = 10000;
    int model = 1;    // the tester's own numbers: MT5 1 one-minute OHLC, MT4 1 control points

    // A first test: the strategy's timeframe when known (else H1), the last twelve months
    // up to today, the platform's quick model.
    static BacktestChoice defaults(Protocol::Platform platform, const QString &timeframe, const QDate &today);

    // The timeframe a program's writer noted in it (the note line's "tf"); empty when none.
    static QString notedTimeframe(const QString &program);

    QJsonObject toJson() const;
    // nullopt when json is not a choice (a field missing or of the wrong kind).
    static std::optional<BacktestChoice> fromJson(const QJsonObject &json);

    // The timeframes a test runs on, shortest first.
    static const QStringList &periods();
};
