#pragma once

#include <QStringView>

namespace ui {

// The application's title: it names the program to the user and captions the default error
// display. The main window keeps its own caption, "Parvello".
inline constexpr QStringView kApplicationTitle = u"Parvello Jr.";

} // namespace ui
