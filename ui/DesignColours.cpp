#include "DesignColours.h"

#include "controls/ReadableColour.h"

#include <QEvent>
#include <QWidget>

namespace ui {

DesignColours::DesignColours(QWidget& form) : QObject(&form), form_(form)
{
    for (QWidget* widget : form.findChildren<QWidget*>()) {
        const QPalette palette = widget->palette();
        if (!palette.isBrushSet(QPalette::Active, QPalette::WindowText))
            continue;
        FixedColour fixed{widget, {}};
        for (std::size_t i = 0; i < kGroups.size(); ++i)
            fixed.designed[i] = palette.color(kGroups[i], QPalette::WindowText);
        fixed_.push_back(fixed);
    }
    apply();
    form.installEventFilter(this);
}

bool DesignColours::eventFilter(QObject* watched, QEvent* event)
{
    // The form's palette follows the desktop's; its children follow it in turn.
    if (watched == &form_ && event->type() == QEvent::PaletteChange)
        apply();
    return QObject::eventFilter(watched, event);
}

void DesignColours::apply()
{
    // Every widget that fixes a colour stands on the form's face (a label that fills its own
    // background fills it with that face).
    const QPalette face = form_.palette();
    for (const FixedColour& fixed : fixed_) {
        if (!fixed.widget)
            continue;
        // Only the text colours are set; every other colour still follows the form.
        QPalette palette;
        for (std::size_t i = 0; i < kGroups.size(); ++i)
            palette.setColor(
                kGroups[i], QPalette::WindowText,
                ReadableOn(fixed.designed[i], face.color(kGroups[i], QPalette::Window)));
        fixed.widget->setPalette(palette);
    }
}

} // namespace ui
