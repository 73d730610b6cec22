#include "ThreadedSoundService.h"

#include "WaveImageReader.h"

#include <thread>

namespace tone {

void ThreadedSoundService::playLooped(std::span<const std::uint8_t> image)
{
    // A refused image is handed over as nothing to play: what played before must stop,
    // since its image may be freed as soon as this call returns.
    playback_.play(ReadWaveImage(image));
}

void ThreadedSoundService::stop()
{
    playback_.play(std::nullopt);
}

std::optional<std::uint32_t> ThreadedSoundService::volume() const
{
    return playback_.packedVolume();
}

void ThreadedSoundService::setVolume(std::uint32_t packedVolume)
{
    playback_.setPackedVolume(packedVolume);
}

void ThreadedSoundService::pause(std::chrono::milliseconds duration)
{
    std::this_thread::sleep_for(duration);
}

} // namespace tone
