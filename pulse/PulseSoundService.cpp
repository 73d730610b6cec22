#include "PulseSoundService.h"

#include "LibpulseServer.h"
#include "StreamOutput.h"

#include <memory>

namespace tone {

PulseSoundService::PulseSoundService(StreamIdentity identity)
    : ThreadedSoundService("sound server", PlaybackTiming{},
                           PulseLoop([identity = std::move(identity)](int wakeDescriptor) {
                               return std::make_unique<LibpulseServer>(identity, wakeDescriptor);
                           }))
{
}

} // namespace tone
