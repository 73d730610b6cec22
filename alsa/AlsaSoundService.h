#pragma once

#include "AlsaPlaybackThread.h"
#include "tone/SoundService.h"

#include <string>

namespace tone {

// The sound service on Linux: loops tone images through ALSA's PCM "default", which reaches
// PipeWire and PulseAudio desktops through their ALSA bridges and plain ALSA alike.
//
// Thread contract. One thread (the engine's, the user-interface thread) calls every member,
// one call at a time. The service owns a playback thread, started by the constructor and
// joined by the destructor; every ALSA call happens on it.
// - playLooped checks the image's header on the calling thread, then hands the image's data
//   chunk to the playback thread under a short lock (held by the playback thread only while
//   it converts one period of about 30 ms, which takes microseconds). It never waits for the
//   device, and the playback thread takes the new image up at once. The image must
//   stay alive and unchanged until the next playLooped or stop call returns; after that it
//   is never read again. A refused image stops whatever played, as stop does.
// - stop returns just as quickly; the playback thread then discards what is queued and
//   closes the PCM.
// - volume and setVolume touch one atomic value, which the playback thread reads once per
//   period, so a change is heard once what is queued has played (within about 90 ms), and
//   at once when the volume comes up from 0.
// - pause sleeps on the calling thread.
// - The destructor blocks until the playback thread has finished its current ALSA call
//   and closed the PCM.
// Failures of the device (none present, cannot be opened, lost while playing) are never
// reported to the caller: the playback thread logs once and retries with growing pauses.
class AlsaSoundService final : public SoundService
{
public:
    explicit AlsaSoundService(std::string deviceName = "default");

    void playLooped(std::span<const std::uint8_t> image) override;
    void stop() override;
    std::optional<std::uint32_t> volume() const override;
    void setVolume(std::uint32_t packedVolume) override;
    void pause(std::chrono::milliseconds duration) override;

private:
    AlsaPlaybackThread playback_;
};

} // namespace tone
