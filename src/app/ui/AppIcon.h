#pragma once

#include <QIcon>

// The program's icon, drawn at run time so it is crisp at every size the
// window manager and the tray ask for.
QIcon appIcon();
