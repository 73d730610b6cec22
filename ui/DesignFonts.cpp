#include "DesignFonts.h"

#include <QFont>
#include <QStringList>
#include <QVariant>
#include <QWidget>

#include <array>
#include <optional>

namespace ui {

namespace {

struct StandIn
{
    QString face;
    // In the order asked for after the designed face.
    QStringList standIns;
    // The weight the stand-ins are drawn at, for a designed face that is a weight of its own.
    std::optional<QFont::Weight> weight;
};

const StandIn* StandInFor(const QString& face)
{
    static const std::array<StandIn, 6> kStandIns{{
        // The Gothic by its Japanese and its Latin name, else IPA's proportional Gothic.
        {QStringLiteral("ＭＳ Ｐゴシック"),
         {QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic")},
         {}},
        {QStringLiteral("Matura MT Script Capitals"), {QStringLiteral("Z003")}, {}},
        {QStringLiteral("Times New Roman"), {QStringLiteral("Liberation Serif")}, {}},
        {QStringLiteral("Arial"), {QStringLiteral("Liberation Sans")}, {}},
        {QStringLiteral("Book Antiqua"), {QStringLiteral("P052")}, {}},
        {QStringLiteral("Arial Black"), {QStringLiteral("Liberation Sans")}, QFont::Black},
    }};
    for (const StandIn& standIn : kStandIns) {
        if (standIn.face == face)
            return &standIn;
    }
    return nullptr;
}

void ApplyDesignFont(QWidget& widget)
{
    const QVariant pixelSize = widget.property("fontPixelSize");
    if (!widget.testAttribute(Qt::WA_SetFont) && !pixelSize.isValid())
        return;
    QFont font = widget.font();
    if (pixelSize.isValid())
        font.setPixelSize(pixelSize.toInt());
    if (const StandIn* standIn = StandInFor(font.family())) {
        font.setFamilies(QStringList{standIn->face} + standIn->standIns);
        if (standIn->weight)
            font.setWeight(*standIn->weight);
    }
    widget.setFont(font);
}

} // namespace

void ApplyDesignFonts(QWidget& form)
{
    ApplyDesignFont(form);
    for (QObject* child : form.children()) {
        // Windows of their own, such as the instrument box's list and the menus, keep the
        // fonts that Qt gives them.
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget && !widget->isWindow())
            ApplyDesignFonts(*widget);
    }
}

} // namespace ui
