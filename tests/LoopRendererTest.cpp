#include "NamedCase.h"
#include "WaveImageSupport.h"

#include "playback/LoopRenderer.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using tone::WaveSampleFormat;

struct RenderCase
{
    const char* name;
    WaveSampleFormat format;
    std::uint16_t channels;
    // The data chunk's samples as numbers, whatever their format.
    std::vector<int> samples;
    std::uint32_t packedVolume;
    std::size_t start;
    // The expected output, left and right of each frame in turn, and the position after it.
    std::vector<int> expected;
    std::size_t next;
};

class RenderLoop : public testing::TestWithParam<RenderCase>
{
};

TEST_P(RenderLoop, WritesStereoFramesAndWrapsAround)
{
    const RenderCase& c = GetParam();
    Bytes data;
    for (const int sample : c.samples) {
        if (c.format == WaveSampleFormat::Unsigned8)
            data.push_back(static_cast<std::uint8_t>(sample));
        else
            Append16(data, static_cast<std::uint16_t>(sample));
    }
    const tone::WaveImage image{AsSpan(data), 22050, c.channels, c.format};
    std::vector<tone::StereoFrame> out(c.expected.size() / 2);
    EXPECT_EQ(tone::RenderLoop(image, c.start, tone::StereoGain::FromPacked(c.packedVolume), out),
              c.next);
    for (std::size_t i = 0; i < out.size(); ++i) {
        EXPECT_EQ(out[i].left, c.expected[2 * i]) << "frame " << i;
        EXPECT_EQ(out[i].right, c.expected[2 * i + 1]) << "frame " << i;
    }
}

constexpr auto kU8 = WaveSampleFormat::Unsigned8;
constexpr auto kS16 = WaveSampleFormat::SignedLittle16;
constexpr std::uint32_t kFull = 0xFFFFFFFF;

// One case a row.
// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Formats, RenderLoop,
    testing::Values(
        RenderCase{"unsigned_8_bit_extremes_and_middle", kU8, 1, {0, 128, 255}, kFull, 0,
                   {-32768, -32768, 0, 0, 32512, 32512}, 0},
        RenderCase{"wraps_from_the_last_frame_to_the_first", kU8, 1, {10, 20, 30}, kFull, 2,
                   {-25088, -25088, -30208, -30208}, 1},
        RenderCase{"signed_16_bit_mono_full_scale", kS16, 1, {-32768, 32767, -1}, kFull, 1,
                   {32767, 32767, -1, -1, -32768, -32768, 32767, 32767}, 2},
        RenderCase{"stereo_keeps_its_channels_apart", kS16, 2, {1000, -2000, 3000, -4000}, kFull,
                   0, {1000, -2000, 3000, -4000, 1000, -2000}, 1},
        RenderCase{"each_level_scales_its_own_channel", kS16, 2, {-32768, 32767}, 0x00008000, 0,
                   {-16384, 0}, 0},
        RenderCase{"mono_at_half_left_and_quarter_right", kS16, 1, {32767, -32768}, 0x40008000,
                   0, {16383, 8191, -16384, -8192}, 0}),
    CaseName<RenderCase>);
// clang-format on

} // namespace
