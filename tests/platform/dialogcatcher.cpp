#include "dialogcatcher.h"

#include <QApplication>
#include <QFileDialog>

DialogCatcher::DialogCatcher(Action action, QObject *parent)
    : QObject(parent)
    , m_action(std::move(action))
{
    connect(&m_timer, &QTimer::timeout, this, &DialogCatcher::poll);
    m_timer.start(10);
}

bool DialogCatcher::caught() const
{
    return m_caught;
}

QString DialogCatcher::title() const
{
    return m_title;
}

QString DialogCatcher::startFolder() const
{
    return m_startFolder;
}

void DialogCatcher::poll()
{
    auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
    if (!dialog || !dialog->isVisible())
        return;
    m_timer.stop();
    m_caught = true;
    m_title = dialog->windowTitle();
    m_startFolder = dialog->directory().absolutePath();
    m_action(dialog);
}
