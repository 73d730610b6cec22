#include "DesktopStreamName.h"

#include <cstdlib>
#include <mutex>
#include <string>

namespace tone {

void NameSoundStreamForDesktop()
{
    static std::once_flag named;
    std::call_once(named, [] {
        constexpr int kKeepUsersChoice = 0;
        const std::string name = kStreamApplicationName;
        const std::string icon = kStreamIconName;
        // libpulse's property list syntax. The override, unlike PULSE_PROP, replaces the
        // name "ALSA plug-in [...]" that ALSA's PulseAudio plugin gives its connection.
        setenv("PULSE_PROP_OVERRIDE",
               ("application.name=\"" + name + "\" application.icon_name=\"" + icon +
                "\" media.role=\"music\"")
                   .c_str(),
               kKeepUsersChoice);
        // SPA-JSON, as PipeWire parses its property strings; its role names are capitalised.
        // PIPEWIRE_PROPS names the client, PIPEWIRE_ALSA the stream of PipeWire's ALSA plugin.
        const std::string pipeWire = "{ application.name = \"" + name +
                                     "\" application.icon-name = \"" + icon +
                                     "\" media.role = \"Music\" }";
        setenv("PIPEWIRE_PROPS", pipeWire.c_str(), kKeepUsersChoice);
        setenv("PIPEWIRE_ALSA", pipeWire.c_str(), kKeepUsersChoice);
    });
}

} // namespace tone
