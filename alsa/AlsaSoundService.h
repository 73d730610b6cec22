#pragma once

#include "playback/StreamIdentity.h"
#include "playback/ThreadedSoundService.h"

#include <string>

namespace tone {

// The sound service on ALSA: loops tone images through an ALSA PCM, by default "default",
// which reaches plain ALSA, and PipeWire and PulseAudio desktops through their ALSA bridges.
// Its stream shows in the desktop's mixer under `identity` (DesktopStreamName.h). Each
// change is heard after what the PCM holds (PcmDeviceOutput).
class AlsaSoundService final : public ThreadedSoundService
{
public:
    explicit AlsaSoundService(const StreamIdentity& identity,
                              const std::string& deviceName = "default");
};

} // namespace tone
