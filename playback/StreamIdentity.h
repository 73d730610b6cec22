#pragma once

#include <string>

namespace tone {

// The name, icon name and role under which the program's sound shows in the desktop's mixer
// (pavucontrol, GNOME's and KDE's sound settings).
struct StreamIdentity
{
    std::string applicationName;
    std::string iconName;
    std::string role = "music";
};

} // namespace tone
