#pragma once

#include <cstdint>
#include <string_view>

namespace tone {

namespace wave {

// The RIFF/WAVE format: every chunk starts with a four-character id and the 32-bit
// little-endian size of its body; the file is one "RIFF" chunk whose body starts with the
// form type "WAVE". Its PCM format chunk ("fmt ") has a 16-byte body with format tag 1.
inline constexpr std::string_view kRiffId = "RIFF";
inline constexpr std::string_view kWaveFormType = "WAVE";
inline constexpr std::string_view kFormatId = "fmt ";
inline constexpr std::string_view kDataId = "data";
inline constexpr std::uint32_t kIdSize = 4;
inline constexpr std::uint32_t kChunkHeaderSize = kIdSize + 4;
// The RIFF chunk's size follows its id; its form type follows its header.
inline constexpr std::uint32_t kRiffSizeOffset = kIdSize;
inline constexpr std::uint32_t kFormTypeOffset = kChunkHeaderSize;
inline constexpr std::uint32_t kRiffHeaderSize = kFormTypeOffset + kIdSize;
inline constexpr std::uint16_t kFormatPcm = 1;
inline constexpr std::uint32_t kFormatChunkSize = 16;

// The tone image is such a file in memory: one "fmt " chunk for 8-bit unsigned mono PCM at
// 22050 samples per second, then one "data" chunk, then a single zero byte inside the RIFF
// chunk but outside the data chunk.
inline constexpr std::uint32_t kSampleRate = 22050;
inline constexpr std::uint16_t kChannels = 1;
inline constexpr std::uint16_t kBitsPerSample = 8;

inline constexpr std::uint32_t kDataChunkOffset =
    kRiffHeaderSize + kChunkHeaderSize + kFormatChunkSize;
inline constexpr std::uint32_t kDataSizeOffset = kDataChunkOffset + kIdSize;
inline constexpr std::uint32_t kHeaderSize = kDataChunkOffset + kChunkHeaderSize;

// Samples at 128 sit on the middle level; the tone swings 96 either side of it.
inline constexpr std::uint8_t kMiddleLevel = 128;

} // namespace wave

} // namespace tone
