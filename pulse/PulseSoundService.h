#pragma once

#include "playback/StreamIdentity.h"
#include "playback/ThreadedSoundService.h"

#include <chrono>

namespace tone {

// The sound service on a sound server's own protocol: loops tone images into a stream of
// the PulseAudio server, or of PipeWire's (pipewire-pulse), shown under `identity` in the
// desktop's mixer. Each change is heard after the stream's short latency, the same for a
// mute as for an unmute (PulsePlaybackLoop). A server that goes away is reached again once
// it is back.
class PulseSoundService final : public ThreadedSoundService
{
public:
    explicit PulseSoundService(StreamIdentity identity);

    // Whether a sound server answers on the PulseAudio protocol within `timeout`, without
    // starting one.
    static bool ServerAnswers(std::chrono::milliseconds timeout);
};

} // namespace tone
