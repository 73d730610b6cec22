#pragma once

#include <cstdint>
#include <span>

namespace tone {

// How the samples of a WAVE image's data chunk are stored.
enum class WaveSampleFormat {
    Unsigned8,      // one byte per sample, 128 is the middle level
    SignedLittle16, // two bytes per sample, little-endian two's complement
};

// The playable part of a validated RIFF/WAVE image: its data chunk and the format that
// describes it. `data` points into the caller's image and holds a whole number of frames,
// at least one.
struct WaveImage
{
    std::span<const std::uint8_t> data;
    std::uint32_t sampleRate = 0; // frames per second
    std::uint16_t channels = 0;   // 1 (mono) or 2 (left, right)
    WaveSampleFormat sampleFormat = WaveSampleFormat::Unsigned8;

    std::size_t bytesPerFrame() const
    {
        return channels * (sampleFormat == WaveSampleFormat::Unsigned8 ? 1u : 2u);
    }
    std::size_t frameCount() const { return data.size() / bytesPerFrame(); }
};

} // namespace tone
