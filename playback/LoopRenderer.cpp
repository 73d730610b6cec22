#include "LoopRenderer.h"

namespace tone {

namespace {

// Sample `channel` of the frame that starts at `frame`, widened to 16 bits: an 8-bit sample
// moves its middle level 128 to 0 and fills the high byte.
std::int16_t SampleAt(const WaveImage& image, const std::uint8_t* frame, std::size_t channel)
{
    if (image.sampleFormat == WaveSampleFormat::Unsigned8)
        return static_cast<std::int16_t>((frame[channel] - 128) * 256);
    return qFromLittleEndian<std::int16_t>(frame + 2 * channel);
}

} // namespace

std::size_t RenderLoop(const WaveImage& image, std::size_t position, StereoGain gain,
                       std::span<StereoFrame> out)
{
    const std::size_t frameBytes = image.bytesPerFrame();
    const std::size_t frameCount = image.frameCount();
    const std::size_t rightChannel = image.channels == 2 ? 1 : 0;
    for (StereoFrame& frame : out) {
        const std::uint8_t* source = image.data.data() + position * frameBytes;
        frame.left = StereoGain::Scale(SampleAt(image, source, 0), gain.left);
        frame.right = StereoGain::Scale(SampleAt(image, source, rightChannel), gain.right);
        if (++position == frameCount)
            position = 0;
    }
    return position;
}

} // namespace tone
