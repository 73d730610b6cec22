#include "DesktopStreamName.h"

#include <cctype>
#include <cstdlib>
#include <mutex>
#include <string>

namespace tone {

void NameSoundStreamForDesktop(const StreamIdentity& identity)
{
    static std::once_flag named;
    std::call_once(named, [&identity] {
        constexpr int kKeepUsersChoice = 0;
        const std::string& name = identity.applicationName;
        const std::string& icon = identity.iconName;
        // libpulse's property list syntax. The override, unlike PULSE_PROP, replaces the
        // name "ALSA plug-in [...]" that ALSA's PulseAudio plugin gives its connection.
        setenv("PULSE_PROP_OVERRIDE",
               ("application.name=\"" + name + "\" application.icon_name=\"" + icon +
                "\" media.role=\"" + identity.role + "\"")
                   .c_str(),
               kKeepUsersChoice);
        // SPA-JSON, as PipeWire parses its property strings; its role names are capitalised.
        std::string pipeWireRole = identity.role;
        if (!pipeWireRole.empty())
            pipeWireRole[0] =
                static_cast<char>(std::toupper(static_cast<unsigned char>(pipeWireRole[0])));
        // PIPEWIRE_PROPS names the client, PIPEWIRE_ALSA the stream of PipeWire's ALSA plugin.
        const std::string pipeWire = "{ application.name = \"" + name +
                                     "\" application.icon-name = \"" + icon + "\" media.role = \"" +
                                     pipeWireRole + "\" }";
        setenv("PIPEWIRE_PROPS", pipeWire.c_str(), kKeepUsersChoice);
        setenv("PIPEWIRE_ALSA", pipeWire.c_str(), kKeepUsersChoice);
    });
}

} // namespace tone
