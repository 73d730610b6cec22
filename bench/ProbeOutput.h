#pragma once

#include "alsa/AlsaSoundService.h"
#include "pulse/PulseSoundService.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace probe {

// The sound output that a probe measures, named on its command line: "stream", the sound
// server's own stream that the program plays through where a server answers, or "alsa",
// ALSA's default PCM, here reaching the server through ALSA's pulse plugin.
inline std::string outputName = "stream";

inline std::unique_ptr<tone::SoundService> OpenOutput()
{
    if (outputName == "stream")
        return std::make_unique<tone::PulseSoundService>(tone::ProgramStreamIdentity());
    if (outputName == "alsa")
        return std::make_unique<tone::AlsaSoundService>(tone::ProgramStreamIdentity());
    std::fprintf(stderr, "unknown sound output %s: stream or alsa\n", outputName.c_str());
    std::exit(2);
}

} // namespace probe
