#include "ReadableColour.h"

#include <algorithm>
#include <cmath>

namespace ui {

namespace {

// The relative luminance of an sRGB colour, 0 for black to 1 for white.
double RelativeLuminance(const QColor& colour)
{
    const auto linear = [](float channel) {
        return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) +
           0.0722 * linear(rgb.blueF());
}

// A face on which white stands out more than black.
bool IsDark(const QColor& face)
{
    return ContrastRatio(face, Qt::white) > ContrastRatio(face, Qt::black);
}

} // namespace

double ContrastRatio(const QColor& first, const QColor& second)
{
    const double a = RelativeLuminance(first);
    const double b = RelativeLuminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

QColor ReadableOn(const QColor& colour, const QColor& face)
{
    if (!IsDark(face) || ContrastRatio(colour, face) >= kReadableContrast)
        return colour;
    const QColor hsl = colour.toHsl();
    // In steps of 1/255 of the lightness, the finest that an 8-bit colour shows.
    for (int lightness = hsl.lightness() + 1; lightness <= 255; ++lightness) {
        const QColor lighter =
            QColor::fromHsl(hsl.hslHue(), hsl.hslSaturation(), lightness, hsl.alpha()).toRgb();
        if (ContrastRatio(lighter, face) >= kReadableContrast)
            return lighter;
    }
    return QColor(255, 255, 255, colour.alpha());
}

} // namespace ui
