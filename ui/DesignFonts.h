#pragma once

class QWidget;

namespace ui {

// Gives a form built from a Designer file the fonts of its design. The form file names each
// font's face and style; the design sizes fonts by their character (em) height in pixels,
// which a form file cannot hold, so a widget that sets a size carries it in its dynamic
// property "fontPixelSize". The faces are those of the system the window was drawn on: each
// is asked for first, then a stand-in of like size and style that Debian ships, so that the
// window looks alike wherever it runs.
//
// Applies to `form` and to every widget inside it that sets a font or a size, parents before
// their children; the others inherit.
void ApplyDesignFonts(QWidget& form);

} // namespace ui
