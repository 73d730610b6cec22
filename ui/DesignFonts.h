#pragma once

class QWidget;

namespace ui {

// The fonts of the main window's design. Each asks for the face the window was designed
// with first, then a substitute of like style that Debian ships, so that the window looks
// alike wherever it runs. Heights are character (em) heights in pixels.
enum class DesignFont {
    F0,  // the window's default: "ＭＳ Ｐゴシック" 12 px
    F1,  // "Matura MT Script Capitals" 15 px, bold italic
    F2,  // "Times New Roman" 19 px, bold italic, maroon
    F3,  // "Arial" 12 px, maroon
    F4,  // "ＭＳ Ｐゴシック" 24 px, bold
    F5,  // "ＭＳ Ｐゴシック" 21 px, bold
    F6,  // "Book Antiqua" 19 px, bold italic
    F7,  // "Arial" 27 px
    F8,  // "ＭＳ Ｐゴシック" 35 px
    F9,  // "Arial Black" 35 px
    F10, // "ＭＳ Ｐゴシック" 12 px, bold
    F11, // "ＭＳ Ｐゴシック" 13 px, bold
};

// Gives `widget` the font and its text colour.
void ApplyDesignFont(QWidget* widget, DesignFont font);

} // namespace ui
