#include "WaveImageSupport.h"

#include "tone/LoopRenderer.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

using tone::StereoFrame;
using tone::StereoGain;
using tone::WaveImage;
using tone::WaveSampleFormat;

struct Expected
{
    std::int16_t left;
    std::int16_t right;
};

struct RenderCase
{
    const char* name;
    WaveSampleFormat format;
    std::uint16_t channels;
    Bytes data;
    std::uint32_t packedVolume;
    std::size_t start;
    std::vector<Expected> frames;
    std::size_t next;
};

void PrintTo(const RenderCase& c, std::ostream* os)
{
    *os << c.name;
}

Bytes Little16(std::initializer_list<std::int16_t> samples)
{
    Bytes bytes;
    for (const std::int16_t sample : samples)
        Append16(bytes, static_cast<std::uint16_t>(sample));
    return bytes;
}

class RenderLoop : public testing::TestWithParam<RenderCase>
{
};

TEST_P(RenderLoop, WritesStereoFramesAndWrapsAround)
{
    const RenderCase& c = GetParam();
    const WaveImage image{{c.data.data(), c.data.size()}, 22050, c.channels, c.format};
    std::vector<StereoFrame> out(c.frames.size());
    const std::size_t next =
        tone::RenderLoop(image, c.start, StereoGain::FromPacked(c.packedVolume), out);
    EXPECT_EQ(next, c.next);
    for (std::size_t i = 0; i < out.size(); ++i) {
        EXPECT_EQ(out[i].left, c.frames[i].left) << "frame " << i;
        EXPECT_EQ(out[i].right, c.frames[i].right) << "frame " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, RenderLoop,
    testing::Values(RenderCase{"unsigned_8_bit_extremes_and_middle",
                               WaveSampleFormat::Unsigned8,
                               1,
                               {0, 128, 255},
                               0xFFFFFFFF,
                               0,
                               {{-32768, -32768}, {0, 0}, {32512, 32512}},
                               0},
                    RenderCase{"wraps_from_the_last_frame_to_the_first",
                               WaveSampleFormat::Unsigned8,
                               1,
                               {10, 20, 30},
                               0xFFFFFFFF,
                               2,
                               {{(30 - 128) * 256, (30 - 128) * 256},
                                {(10 - 128) * 256, (10 - 128) * 256}},
                               1},
                    RenderCase{"signed_16_bit_mono_full_scale",
                               WaveSampleFormat::SignedLittle16,
                               1,
                               Little16({-32768, 32767, -1}),
                               0xFFFFFFFF,
                               1,
                               {{32767, 32767}, {-1, -1}, {-32768, -32768}, {32767, 32767}},
                               2},
                    RenderCase{"stereo_keeps_its_channels_apart",
                               WaveSampleFormat::SignedLittle16,
                               2,
                               Little16({1000, -2000, 3000, -4000}),
                               0xFFFFFFFF,
                               0,
                               {{1000, -2000}, {3000, -4000}, {1000, -2000}},
                               1},
                    RenderCase{"each_level_scales_its_own_channel",
                               WaveSampleFormat::SignedLittle16,
                               2,
                               Little16({-32768, 32767}),
                               0x00008000,
                               0,
                               {{-16384, 0}},
                               0},
                    RenderCase{"mono_at_half_left_and_quarter_right",
                               WaveSampleFormat::SignedLittle16,
                               1,
                               Little16({32767, -32768}),
                               0x40008000,
                               0,
                               {{16383, 8191}, {-16384, -8192}},
                               0}),
    [](const testing::TestParamInfo<RenderCase>& info) { return std::string(info.param.name); });

} // namespace
