#pragma once

#include "PlaybackThread.h"
#include "tone/SoundService.h"

#include <string>

namespace tone {

// A sound service that keeps SoundService's thread contract by handing every request to a
// PlaybackThread, which makes every call on the output on a thread of its own: a request
// costs a short lock and never waits for the output. The destructor returns within
// PlaybackThread::kJoinTimeout whatever the sound server does. The volume is this program's
// own level, applied to the samples. Failures of the output are never reported to the
// caller: the playback thread logs once an outage and retries.
class ThreadedSoundService : public SoundService
{
public:
    void playLooped(std::span<const std::uint8_t> image) override;
    void stop() override;
    std::optional<std::uint32_t> volume() const override;
    void setVolume(std::uint32_t packedVolume) override;
    void pause(std::chrono::milliseconds duration) override;

protected:
    ThreadedSoundService(std::string outputName, PlaybackTiming timing, PlaybackThread::Loop loop)
        : playback_(std::move(outputName), timing, std::move(loop))
    {
    }

private:
    PlaybackThread playback_;
};

} // namespace tone
