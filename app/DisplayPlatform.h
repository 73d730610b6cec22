#pragma once

// Where an X display is there, XWayland's included, and the user has chosen no display
// platform (QT_QPA_PLATFORM), the program runs on X: there its window opens where it was last
// closed, while a Wayland compositor places every window itself and tells no program where.
// Wayland stays the fallback should the X display not answer.
//
// Called before the application object is created, which makes the choice.
void PreferXDisplay();

// Called once the application object exists: takes the choice back out of the environment,
// so that programs started from this one (the web browser that a help link opens) make their
// own.
void ForgetDisplayPreference();
