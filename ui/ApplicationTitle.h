#pragma once

namespace ui {

// The program's name as the user sees it, UTF-8: it captions the default error display and
// names the help viewer and the program's sound in the desktop's mixer. The main window
// keeps its own caption, "Parvello".
inline constexpr char kApplicationTitle[] = "Parvello Jr.";

} // namespace ui
