#include "ToneShaper.h"

#include <algorithm>

namespace tone {

namespace {

bool IsSilent(const StereoFrame& frame)
{
    return frame.left == 0 && frame.right == 0;
}

bool IsUp(StereoGain gain)
{
    return gain.left != 0 || gain.right != 0;
}

} // namespace

void ToneShaper::play(const std::optional<WaveImage>& image)
{
    startFadeOut();
    image_ = image;
    position_ = 0;
    // The image is measured here, under the requests lock, like every other read of it.
    if (image_)
        shape_ = RampShape::For(*image_);
}

void ToneShaper::outputEmptied()
{
    fadeOut_.clear();
    fadeOutTaken_ = 0;
    ramp_.jumpTo({0, 0});
    madeSinceEmptied_ = trailingSilence_ = 0;
}

void ToneShaper::render(std::span<StereoFrame> out, StereoGain target)
{
    std::size_t made = takeFadeOut(out);
    const std::size_t leadIn = leadInFrames();
    if (madeSinceEmptied_ + made < leadIn) {
        const std::size_t silence = std::min(out.size() - made, leadIn - madeSinceEmptied_ - made);
        std::fill_n(out.begin() + static_cast<std::ptrdiff_t>(made), silence, StereoFrame{});
        made += silence;
    }
    renderImage(out.subspan(made), target);
    countSilence(out);
}

void ToneShaper::renderFadeOut(std::span<StereoFrame> out)
{
    startFadeOut();
    const std::size_t made = takeFadeOut(out);
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(made), out.end(), StereoFrame{});
    countSilence(out);
}

bool ToneShaper::endsInSilence(std::size_t frames) const
{
    return trailingSilence_ >= std::min(frames, madeSinceEmptied_);
}

std::size_t ToneShaper::leadInFrames() const
{
    return image_ ? image_->sampleRate * static_cast<std::size_t>(leadIn_.count()) / 1000 : 0;
}

void ToneShaper::startFadeOut()
{
    // Only after image frames is the level up, and by then any earlier fade-out is out.
    if (ramp_.silent())
        return;
    const StereoGain level = ramp_.current();
    const auto needed = static_cast<std::size_t>(
        (std::max(level.left, level.right) + shape_.step - 1) / shape_.step);
    const std::span<const StereoFrame> ahead = std::span(unity_).subspan(readAhead_);
    fadeOut_.resize(std::min(needed, ahead.size()));
    ramp_.apply(ahead.first(fadeOut_.size()), fadeOut_, {0, 0}, shape_.step);
    fadeOutTaken_ = 0;
    ramp_.jumpTo({0, 0});
}

std::size_t ToneShaper::takeFadeOut(std::span<StereoFrame> out)
{
    const std::size_t count = std::min(out.size(), fadeOut_.size() - fadeOutTaken_);
    std::copy_n(fadeOut_.begin() + static_cast<std::ptrdiff_t>(fadeOutTaken_), count, out.begin());
    fadeOutTaken_ += count;
    return count;
}

void ToneShaper::renderImage(std::span<StereoFrame> out, StereoGain target)
{
    if (!image_) {
        std::fill(out.begin(), out.end(), StereoFrame{});
        return;
    }
    if (ramp_.silent() && IsUp(target) && shape_.startsAtMiddle) {
        position_ = 0;
        ramp_.jumpTo(target);
    }
    // The image is read only here and in play(), both under the requests lock: the frames
    // that a fade-out will need are read now, while the image may still be read.
    unity_.resize(out.size() + shape_.fullRampFrames());
    RenderLoop(*image_, position_, StereoGain{}, unity_);
    position_ = (position_ + out.size()) % image_->frameCount();
    readAhead_ = out.size();
    ramp_.apply(std::span(unity_).first(out.size()), out, target, shape_.step);
}

void ToneShaper::countSilence(std::span<const StereoFrame> out)
{
    const auto loud = std::find_if_not(out.rbegin(), out.rend(), IsSilent);
    const auto silent = static_cast<std::size_t>(loud - out.rbegin());
    trailingSilence_ = silent == out.size() ? trailingSilence_ + silent : silent;
    madeSinceEmptied_ += out.size();
}

} // namespace tone
