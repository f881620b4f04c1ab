#pragma once

#include <QIcon>

// The program's icon, from the resources linked into the window's library.
QIcon appIcon();
