#pragma once

#include <QIcon>

// The program's icon: a tuning fork on a blue disc, 32 x 32 pixels. The main window, the
// application and the About box all show this one image.
QIcon ProgramIcon();
