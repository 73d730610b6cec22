#pragma once

#include <cstdint>

namespace tone {

// The level of each output channel, from 0 (silent) to 65535 (full), unpacked from the
// sound service's packed volume: the left level in bits 0 to 15, the right one in bits 16
// to 31.
struct StereoGain
{
    static constexpr std::uint16_t kFull = 65535;

    std::uint16_t left = kFull;
    std::uint16_t right = kFull;

    static constexpr StereoGain FromPacked(std::uint32_t packedVolume)
    {
        return {static_cast<std::uint16_t>(packedVolume & 0xFFFFu),
                static_cast<std::uint16_t>(packedVolume >> 16)};
    }

    // A 16-bit sample scaled linearly by `level`: full level leaves it unchanged, 0 silences
    // it. The product of a sample and a level fits in 32 bits.
    static constexpr std::int16_t Scale(std::int16_t sample, std::uint16_t level)
    {
        return static_cast<std::int16_t>(std::int32_t{sample} * level / kFull);
    }
};

} // namespace tone
