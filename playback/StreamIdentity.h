#pragma once

#include "identity/ProgramIdentity.h"

#include <string>

namespace tone {

// The name, icon name and role under which the program's sound shows in the desktop's mixer
// (pavucontrol, GNOME's and KDE's sound settings).
struct StreamIdentity
{
    std::string applicationName;
    std::string iconName;
    std::string role = identity::kStreamRole;
};

// The program's own.
inline StreamIdentity ProgramStreamIdentity()
{
    return {identity::kStreamName, identity::kIconName, identity::kStreamRole};
}

} // namespace tone
