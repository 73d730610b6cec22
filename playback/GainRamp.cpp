#include "GainRamp.h"

#include <algorithm>
#include <cstdlib>

namespace tone {

namespace {

// The largest step between neighbouring frames of the loop, its seam included, and the
// largest sample, in 16-bit units.
struct Extent
{
    int largestStep = 0;
    int peak = 0;
};

Extent Measure(const WaveImage& image)
{
    Extent extent;
    const std::size_t count = image.frameCount();
    StereoFrame previous{};
    RenderLoop(image, count - 1, StereoGain{}, std::span(&previous, 1));
    StereoFrame frames[256];
    for (std::size_t position = 0; position < count;) {
        const std::size_t n = std::min(std::size(frames), count - position);
        RenderLoop(image, position, StereoGain{}, std::span(frames, n));
        for (std::size_t i = 0; i < n; ++i) {
            const int left = frames[i].left, right = frames[i].right;
            extent.largestStep = std::max({extent.largestStep, std::abs(left - previous.left),
                                           std::abs(right - previous.right)});
            extent.peak = std::max({extent.peak, std::abs(left), std::abs(right)});
            previous = frames[i];
        }
        position += n;
    }
    return extent;
}

std::int32_t MoveTowards(std::int32_t level, std::int32_t target, std::int32_t step)
{
    return level < target ? std::min(level + step, target) : std::max(level - step, target);
}

} // namespace

RampShape RampShape::For(const WaveImage& image)
{
    const Extent extent = Measure(image);
    RampShape shape;
    const double allowed = extent.peak == 0
                               ? StereoGain::kFull
                               : 0.25 * StereoGain::kFull * extent.largestStep / extent.peak;
    const double shortest = StereoGain::kFull / (image.sampleRate * 0.001);
    const double longest = StereoGain::kFull / (image.sampleRate * 0.025);
    shape.step = static_cast<std::int32_t>(
        std::clamp(allowed, std::max(longest, 1.0), std::max(shortest, 1.0)));
    StereoFrame first{};
    RenderLoop(image, 0, StereoGain{}, std::span(&first, 1));
    shape.startsAtMiddle = std::abs(int{first.left}) <= extent.largestStep &&
                           std::abs(int{first.right}) <= extent.largestStep;
    return shape;
}

void GainRamp::apply(std::span<const StereoFrame> in, std::span<StereoFrame> out, StereoGain target,
                     std::int32_t step)
{
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (current_.left != target.left || current_.right != target.right) {
            current_.left =
                static_cast<std::uint16_t>(MoveTowards(current_.left, target.left, step));
            current_.right =
                static_cast<std::uint16_t>(MoveTowards(current_.right, target.right, step));
        }
        out[i].left = StereoGain::Scale(in[i].left, current_.left);
        out[i].right = StereoGain::Scale(in[i].right, current_.right);
    }
}

} // namespace tone
