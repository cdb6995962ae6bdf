#pragma once

#include <QIcon>

// The application's icon, one image per size: each is read only when a window needs it, where
// the .ico would be decoded whole, every size, before the window could start.
QIcon applicationIcon();
