#pragma once

#include <QLatin1String>
#include <QWidget>

class QRadioButton;

// Works the window's form the way a user does.
namespace FormDriver {

// The form's widget of that object name, or null.
template<typename Widget>
Widget *child(const QWidget &window, const char *name)
{
    return window.findChild<Widget *>(QLatin1String(name));
}

// Clicks on the circle and label, not on the stretched rest that takes no clicks.
void clickRadio(QRadioButton *radio);

} // namespace FormDriver
