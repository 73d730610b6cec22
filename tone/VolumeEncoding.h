#pragma once

#include <cstdint>

namespace tone {

// Volume slider positions run from 0 (top, "Max") to 65535 (bottom, "Min"). A packed volume
// holds the left channel's level in bits 0 to 15 and the right channel's in bits 16 to 31,
// each 0 (silent) to 65535 (full).
inline constexpr std::int32_t kLoudestPosition = 0;
inline constexpr std::int32_t kSilentPosition = 65535;

// The packed volume of a slider position: 65535 − p in both channels, the 32-bit complement
// of p × 65537.
constexpr std::uint32_t PackedVolumeOfPosition(std::int32_t position)
{
    return ~(static_cast<std::uint32_t>(position) * 65537u);
}

// The slider position that a packed volume stands for: 65535 minus its left level; the right
// channel plays no part.
constexpr std::int32_t PositionOfPackedVolume(std::int32_t packedVolume)
{
    return static_cast<std::int32_t>(~static_cast<std::uint32_t>(packedVolume) & 0xFFFFu);
}

// Loudness compensation: the slider position rescaled by the band that the frequency
// (hertz) falls in, so that low tones are never quite silent and high ones never full.
// Each band boundary belongs to the band above it.
std::int32_t LoudnessBandPosition(long double frequency, std::int32_t position);

} // namespace tone
