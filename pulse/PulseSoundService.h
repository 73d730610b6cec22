#pragma once

#include "playback/StreamIdentity.h"
#include "playback/ThreadedSoundService.h"

namespace tone {

// The sound service on a sound server's own protocol: loops tone images into a stream of
// the PulseAudio server, or of PipeWire's (pipewire-pulse), shown under `identity` in the
// desktop's mixer. Each change replaces what the stream holds and is heard after a short
// margin, the same for a mute as for an unmute (StreamOutput). A server that goes away is
// reached again once it is back.
class PulseSoundService final : public ThreadedSoundService
{
public:
    explicit PulseSoundService(StreamIdentity identity);
};

} // namespace tone
