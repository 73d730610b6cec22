#pragma once

#include "LoopRenderer.h"
#include "StereoGain.h"
#include "WaveImage.h"

#include <cstdint>
#include <span>

namespace tone {

// How fast the level of an image may change without a click: a level that moves by `step`
// (out of 65535) from one frame to the next adds at most peak × step / 65535 to the largest
// sample-to-sample step of the image itself. The step is chosen so that this addition stays
// within a quarter of the image's own largest step, so that at the sink no step exceeds 1.25
// times what the steady tone takes at the higher of the two levels. Low tones change slowly
// per sample and need long ramps; the ramp is kept between 1 ms and 25 ms.
struct RampShape
{
    std::int32_t step = StereoGain::kFull; // level change per frame, 1 to 65535
    // Whether the image's first frame is at (or within one own step of) the middle level,
    // so that the image can start at any level without a ramp, as a tone starting from
    // silence at an upward zero crossing does.
    bool startsAtMiddle = false;

    // Frames that a ramp over the whole range takes.
    std::size_t fullRampFrames() const
    {
        return static_cast<std::size_t>((StereoGain::kFull + step - 1) / step);
    }

    static RampShape For(const WaveImage& image);
};

// The level of each output channel as it moves towards a target by at most the ramp's step
// per frame: a linear ramp.
class GainRamp
{
public:
    StereoGain current() const { return current_; }
    bool silent() const { return current_.left == 0 && current_.right == 0; }
    void jumpTo(StereoGain gain) { current_ = gain; }

    // Scales `in` into `out` (as long as `in`), frame by frame, moving the levels towards
    // `target` by at most `step` per frame.
    void apply(std::span<const StereoFrame> in, std::span<StereoFrame> out, StereoGain target,
               std::int32_t step);

private:
    StereoGain current_{0, 0};
};

} // namespace tone
