#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class QFileDialog;

// Waits for a folder dialog to come up modal, notes how it came up and then answers it
// with the given action, so that a click that opens one can return.
class DialogCatcher final : public QObject
{
    Q_OBJECT

public:
    using Action = std::function<void(QFileDialog *)>;

    explicit DialogCatcher(Action action, QObject *parent = nullptr);

    bool caught() const;
    QString title() const;
    QString startFolder() const;

private:
    void poll();

    QTimer m_timer;
    Action m_action;
    bool m_caught = false;
    QString m_title;
    QString m_startFolder;
};
