#pragma once

#include "WaveImage.h"

#include <optional>

namespace tone {

// Finds the format and data chunks of a RIFF/WAVE image held in memory and checks that they
// describe something the playback can loop: PCM with 1 or 2 channels of 8-bit unsigned or
// 16-bit signed samples, a positive sample rate, consistent block and byte rates, and a data
// chunk of at least one whole frame. Every size in the header must stay within `image`; the
// RIFF chunk's own size bounds the chunks inside it. Chunks other than "fmt " and "data" are
// skipped, "fmt " must come before "data", and anything after the data chunk (such as its pad
// byte) is ignored. Returns nothing for an image that breaks any of these rules; it never
// reads outside `image`.
std::optional<WaveImage> ReadWaveImage(std::span<const std::uint8_t> image);

} // namespace tone
