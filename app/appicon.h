#pragma once

#include <QIcon>

// The application's icon, one image per size, each read only when a window needs it: the .ico
// would be decoded whole, every size, before the window could start.
QIcon applicationIcon();
