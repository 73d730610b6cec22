#include "AlsaSoundService.h"

#include "DesktopStreamName.h"
#include "WaveImageReader.h"

#include <thread>

namespace tone {

namespace {

// The environment is set before the playback thread exists, which reads it when it opens
// the PCM.
const std::string& NamedForDesktop(const std::string& deviceName)
{
    NameSoundStreamForDesktop();
    return deviceName;
}

} // namespace

AlsaSoundService::AlsaSoundService(const std::string& deviceName)
    : playback_(NamedForDesktop(deviceName))
{
}

void AlsaSoundService::playLooped(std::span<const std::uint8_t> image)
{
    // A refused image is handed over as nothing to play: what played before must stop,
    // since its image may be freed as soon as this call returns.
    playback_.play(ReadWaveImage(image));
}

void AlsaSoundService::stop()
{
    playback_.play(std::nullopt);
}

std::optional<std::uint32_t> AlsaSoundService::volume() const
{
    return playback_.packedVolume();
}

void AlsaSoundService::setVolume(std::uint32_t packedVolume)
{
    playback_.setPackedVolume(packedVolume);
}

void AlsaSoundService::pause(std::chrono::milliseconds duration)
{
    std::this_thread::sleep_for(duration);
}

} // namespace tone
