#include "AlsaSoundService.h"

#include "AlsaPcmOutput.h"
#include "AlsaPlaybackLoop.h"
#include "DesktopStreamName.h"

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
    : ThreadedSoundService(NamedForDesktop(deviceName), PlaybackTiming{},
                           AlsaLoop(AlsaPcmOpener(deviceName)))
{
}

} // namespace tone
