#include "AlsaSoundService.h"

#include "AlsaPcmOutput.h"
#include "DesktopStreamName.h"
#include "PcmDeviceOutput.h"

namespace tone {

namespace {

// The environment is set before the playback thread exists, which reads it when it opens
// the PCM.
const std::string& NamedForDesktop(const StreamIdentity& identity, const std::string& deviceName)
{
    NameSoundStreamForDesktop(identity);
    return deviceName;
}

} // namespace

AlsaSoundService::AlsaSoundService(const StreamIdentity& identity, const std::string& deviceName)
    : ThreadedSoundService(NamedForDesktop(identity, deviceName), PlaybackTiming{},
                           AlsaLoop(AlsaPcmOpener(deviceName)))
{
}

} // namespace tone
