#pragma once

#include <QWidget>

namespace desktop {

// Makes a top-level window visible and brings it to the front with the keyboard focus,
// leaving the other windows usable. A window that is visible already is only raised.
inline void ShowInFront(QWidget& window)
{
    window.show();
    window.raise();
    window.activateWindow();
}

} // namespace desktop
