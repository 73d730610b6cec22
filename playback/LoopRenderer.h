#pragma once

#include "StereoGain.h"
#include "WaveImage.h"

#include <QtEndian>

#include <cstddef>
#include <span>

namespace tone {

// One output frame as the sound device takes it: signed 16-bit little-endian samples, left
// then right.
struct StereoFrame
{
    qint16_le left;
    qint16_le right;
};

// Fills `out` with frames of `image` played in a loop, starting at its frame `position`
// (less than image.frameCount()) and joining its last frame to its first. Mono samples go to
// both channels. Each channel is scaled by its level in `gain`. Returns the position of the
// frame that follows the last one written.
std::size_t RenderLoop(const WaveImage& image, std::size_t position, StereoGain gain,
                       std::span<StereoFrame> out);

} // namespace tone
