#pragma once

#include <chrono>

namespace tone {

// Whether a sound server answers on the PulseAudio protocol (PulseAudio's own, or PipeWire's
// pipewire-pulse): it answers; there is none (nothing listens where the server would be);
// or one is there but does not answer in time (a stopped or stuck process).
enum class ServerPresence { Answers, Absent, Silent };

// Asks, without starting a server, waiting at most `timeout`: a local server answers within
// milliseconds, and where there is none the connection is refused at once.
ServerPresence FindSoundServer(std::chrono::milliseconds timeout);

} // namespace tone
