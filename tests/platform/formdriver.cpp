#include "formdriver.h"

#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

namespace FormDriver {

void clickRadio(QRadioButton *radio)
{
    QStyleOptionButton option;
    option.initFrom(radio);
    option.text = radio->text();
    const QRect area = radio->style()->subElementRect(QStyle::SE_RadioButtonClickRect, &option, radio);
    QTest::mouseClick(radio, Qt::LeftButton, {}, area.center());
}

} // namespace FormDriver
