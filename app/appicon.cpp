#include "app/appicon.h"

QIcon applicationIcon()
{
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/icons/app-%1.png").arg(size), QSize(size, size));
    return icon;
}
