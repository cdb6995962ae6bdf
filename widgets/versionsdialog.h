#pragma once

#include "client/archive/storedchat.h"

#include <QDialog>
#include <QList>

class QListWidget;
class QPlainTextEdit;
class QPushButton;

// Every version of a program in the chat: when it came, what was asked for it, what the
// compiler said and what its last backtest came to; each shown whole and as its difference to the one the chat works on.
class VersionsDialog final : public QDialog
{
    Q_OBJECT

public:
    // current: the number of the version the chat works on.
    VersionsDialog(const QString &title, const QList<ProgramVersion> &versions, int current, QWidget *parent = nullptr);

Q_SIGNALS:
    // "Use this version", with the version's number.
    void versionChosen(int number);

private:
    void showVersion(int row);
    static QString verdictText(const ProgramVersion &version);
    static QString backtestText(const TesterReport &report);

    QList<ProgramVersion> m_versions;
    QString m_currentSource;
    int m_current;
    QListWidget *m_list;
    QPlainTextEdit *m_source;
    QPlainTextEdit *m_difference;
    QPushButton *m_use;
};
