#pragma once

#include <QColor>
#include <QObject>
#include <QPalette>
#include <QPointer>

#include <array>
#include <vector>

class QWidget;

namespace ui {

// Keeps the text colours that a form file fixes (the maroon of the window's product name and
// maker's notice) readable on the face that the desktop gives the window: as designed on a
// light face, lightened in their own hue on a dark one (ReadableOn), and again whenever the
// desktop's palette changes.
class DesignColours : public QObject
{
public:
    // Takes the fixed colours of form's widgets as they are now; form owns this object.
    explicit DesignColours(QWidget& form);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static constexpr std::array<QPalette::ColorGroup, 3> kGroups{
        QPalette::Active, QPalette::Inactive, QPalette::Disabled};

    struct FixedColour
    {
        QPointer<QWidget> widget;
        // The designed text colour in each of kGroups.
        std::array<QColor, kGroups.size()> designed;
    };

    // Gives each widget its colours for the form's present face.
    void apply();

    QWidget& form_;
    std::vector<FixedColour> fixed_;
};

} // namespace ui
