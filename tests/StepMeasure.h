#pragma once

#include "FileSinkOutput.h" // Frame
#include "WaveImageSupport.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

// The click measure: the largest sample-to-sample step of an output against the largest step
// that the steady tone itself takes at the higher of the levels involved. A steady tone reads
// 1.0; a cut or a jump of level reads several times that.

// The largest step between neighbouring samples of an 8-bit mono image's loop, its seam
// included, widened to 16 bits at full level.
inline double LargestStepOfImage(const Bytes& image)
{
    const std::size_t count = Read32(image, 40);
    const std::uint8_t* samples = image.data() + 44;
    int largest = 0;
    for (std::size_t i = 0; i < count; ++i)
        largest = std::max(largest, std::abs(samples[(i + 1) % count] - samples[i]));
    return 256.0 * largest;
}

inline double LargestStep(const std::vector<Frame>& frames)
{
    int largest = 0;
    for (std::size_t n = 1; n < frames.size(); ++n) {
        largest = std::max({largest, std::abs(frames[n].left - frames[n - 1].left),
                            std::abs(frames[n].right - frames[n - 1].right)});
    }
    return largest;
}
