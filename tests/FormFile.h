#pragma once

#include <QRect>
#include <QString>

#include <optional>
#include <vector>

// A widget of a Designer form file, with the properties that the window tests compare.
struct FormWidget
{
    QString name;
    QString className;
    // The name of the widget that holds it; empty for the form itself.
    QString parentName;
    // Relative to the parent's client area.
    std::optional<QRect> geometry;
    std::optional<QString> text;
    // The font's character height in pixels, its own or the nearest enclosing widget's.
    std::optional<int> fontPixelSize;
    bool visible = true;
    bool enabled = true;
};

// Every widget of the form file at `path`, in the order the file lists them, which is the
// order that uic creates them in. Empty when the file cannot be read.
std::vector<FormWidget> ReadFormWidgets(const QString& path);
