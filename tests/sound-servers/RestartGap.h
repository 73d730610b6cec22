#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

namespace probe {

// Where a restarted tone falls silent and sounds again in a recording of the sink's monitor
// that starts at the moment of the restart: the first stretch of at least 2 ms in which no
// sample is louder than about -54 dB of full scale, and where it ends. A sine passes the
// middle level in a few frames, so shorter quiet runs are part of the tone.
struct RestartGap
{
    std::size_t silenceStart = 0; // frames from the restart
    std::size_t silenceEnd = 0;   // the new tone's first audible frame
};

inline std::optional<RestartGap> FindRestartGap(
    const std::vector<std::array<std::int16_t, 2>>& frames, unsigned rate)
{
    constexpr int kQuiet = 64;
    const std::size_t shortest = rate / 500;
    const auto quiet = [&](std::size_t n) {
        return std::abs(frames[n][0]) <= kQuiet && std::abs(frames[n][1]) <= kQuiet;
    };
    for (std::size_t n = 0; n < frames.size();) {
        if (!quiet(n)) {
            ++n;
            continue;
        }
        std::size_t end = n;
        while (end < frames.size() && quiet(end))
            ++end;
        if (end == frames.size())
            return std::nullopt; // the new tone never came within the recording
        if (end - n >= shortest)
            return RestartGap{n, end};
        n = end;
    }
    return std::nullopt;
}

} // namespace probe
