#pragma once

#include "AlsaPlaybackThread.h"
#include "tone/SoundService.h"

#include <string>

namespace tone {

// The sound service on Linux: loops tone images through ALSA's PCM "default", which reaches
// PipeWire and PulseAudio desktops through their ALSA bridges and plain ALSA alike. Its
// stream shows in the desktop's mixer as "Parvello Jr." (DesktopStreamName.h).
//
// It keeps SoundService's thread contract by handing every request to AlsaPlaybackThread,
// which makes every ALSA call on a thread of its own: a request costs a short lock and never
// waits for the device. The destructor returns within AlsaPlaybackThread::kJoinTimeout
// whatever the sound server does. The volume is this program's own level, applied to the
// samples. Failures of the device (none present, cannot be opened, lost while playing) are
// never reported to the caller: the playback thread logs once an outage and retries.
class AlsaSoundService final : public SoundService
{
public:
    explicit AlsaSoundService(const std::string& deviceName = "default");

    void playLooped(std::span<const std::uint8_t> image) override;
    void stop() override;
    std::optional<std::uint32_t> volume() const override;
    void setVolume(std::uint32_t packedVolume) override;
    void pause(std::chrono::milliseconds duration) override;

private:
    AlsaPlaybackThread playback_;
};

} // namespace tone
