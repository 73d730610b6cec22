#pragma once

#include <cstdint>

namespace tone {

// The tone image is a RIFF/WAVE file in memory: one "fmt " chunk for 8-bit unsigned mono PCM
// at 22050 samples per second, then one "data" chunk, then a single zero byte inside the
// RIFF chunk but outside the data chunk.
namespace wave {

inline constexpr std::uint32_t kSampleRate = 22050;
inline constexpr std::uint16_t kFormatPcm = 1;
inline constexpr std::uint16_t kChannels = 1;
inline constexpr std::uint16_t kBitsPerSample = 8;
inline constexpr std::uint32_t kFormatChunkSize = 16;

inline constexpr int kRiffSizeOffset = 4;
inline constexpr int kDataSizeOffset = 40;
inline constexpr int kHeaderSize = 44;
// The RIFF size counts everything after the RIFF size field itself.
inline constexpr int kRiffSizeExcludes = 8;

// Samples at 128 sit on the middle level; the tone swings 96 either side of it.
inline constexpr std::uint8_t kMiddleLevel = 128;

} // namespace wave

} // namespace tone
