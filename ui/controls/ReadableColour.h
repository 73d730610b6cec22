#pragma once

#include <QColor>

namespace ui {

// The contrast that text needs to read, and which the colours the window fixes keep on a dark
// face: 4.5 : 1, the Web Content Accessibility Guidelines' level AA for text of normal size.
inline constexpr double kReadableContrast = 4.5;

// The contrast of two colours as those guidelines define it, (L1 + 0.05) / (L2 + 0.05) of the
// lighter and the darker colour's relative luminance: from 1 for equal colours to 21 for
// black on white.
double ContrastRatio(const QColor& first, const QColor& second);

// A colour fixed by the design, as it is drawn on face. On a light face, or where it reads
// already, it is the colour itself, so that a light window looks exactly as designed. On a
// dark face it is lightened in its own hue (its lightness raised, hue and saturation kept)
// just until it reads at kReadableContrast, at most to white.
QColor ReadableOn(const QColor& colour, const QColor& face);

} // namespace ui
