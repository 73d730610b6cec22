#include "DesignFonts.h"

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QStringList>
#include <QWidget>

#include <array>

namespace ui {

namespace {

// The faces in the order asked for: the designed one, then what stands in for it here.
const QStringList kGothic{QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                          QStringLiteral("IPAPGothic")};
const QStringList kScriptCapitals{QStringLiteral("Matura MT Script Capitals"),
                                  QStringLiteral("Z003")};
const QStringList kTimes{QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif")};
const QStringList kArial{QStringLiteral("Arial"), QStringLiteral("Liberation Sans")};
const QStringList kBookAntiqua{QStringLiteral("Book Antiqua"), QStringLiteral("P052")};

// Maroon, as the design's labels in it are drawn.
constexpr QRgb kMaroon = qRgb(128, 0, 0);

struct FontDesign
{
    const QStringList* faces;
    int pixelHeight;
    QFont::Weight weight;
    bool italic;
    bool maroon;
};

const std::array<FontDesign, 12> kFonts{{
    {&kGothic, 12, QFont::Normal, false, false},
    {&kScriptCapitals, 15, QFont::Bold, true, false},
    {&kTimes, 19, QFont::Bold, true, true},
    {&kArial, 12, QFont::Normal, false, true},
    {&kGothic, 24, QFont::Bold, false, false},
    {&kGothic, 21, QFont::Bold, false, false},
    {&kBookAntiqua, 19, QFont::Bold, true, false},
    {&kArial, 27, QFont::Normal, false, false},
    {&kGothic, 35, QFont::Normal, false, false},
    // "Arial Black" is a face of black weight; its stand-in is drawn at that weight.
    {&kArial, 35, QFont::Black, false, false},
    {&kGothic, 12, QFont::Bold, false, false},
    {&kGothic, 13, QFont::Bold, false, false},
}};

} // namespace

void ApplyDesignFont(QWidget* widget, DesignFont font)
{
    const FontDesign& design = kFonts[static_cast<std::size_t>(font)];
    QFont qfont = widget->font();
    qfont.setFamilies(*design.faces);
    qfont.setPixelSize(design.pixelHeight);
    qfont.setWeight(design.weight);
    qfont.setItalic(design.italic);
    widget->setFont(qfont);
    if (design.maroon) {
        QPalette palette = widget->palette();
        palette.setColor(QPalette::WindowText, QColor(kMaroon));
        widget->setPalette(palette);
    }
}

} // namespace ui
