#include "NamedCase.h"
#include "WaveImageSupport.h"

#include "playback/WaveImageReader.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <string_view>

namespace {

using tone::ReadWaveImage;
using tone::WaveSampleFormat;

Bytes Samples(std::size_t count)
{
    Bytes samples(count);
    for (std::size_t i = 0; i < count; ++i)
        samples[i] = static_cast<std::uint8_t>(i * 7 + 1);
    return samples;
}

struct ValidCase
{
    const char* name;
    Bytes image;
    // Where the data chunk's body starts and how long it is, in bytes.
    std::size_t dataOffset;
    std::size_t dataSize;
    std::uint32_t sampleRate;
    std::uint16_t channels;
    WaveSampleFormat sampleFormat;
};

class ValidImage : public testing::TestWithParam<ValidCase>
{
};

TEST_P(ValidImage, DataChunkAndFormatAreFound)
{
    const ValidCase& c = GetParam();
    const auto wave = ReadWaveImage(AsSpan(c.image));
    ASSERT_TRUE(wave.has_value());
    EXPECT_EQ(wave->data.data(), c.image.data() + c.dataOffset);
    EXPECT_EQ(wave->data.size(), c.dataSize);
    EXPECT_EQ(wave->sampleRate, c.sampleRate);
    EXPECT_EQ(wave->channels, c.channels);
    EXPECT_EQ(wave->sampleFormat, c.sampleFormat);
}

const Bytes kMonoFormat = PcmFormat(1, 22050, 8);
const Bytes kMonoFormatChunk = Chunk("fmt ", kMonoFormat);
constexpr auto kU8 = WaveSampleFormat::Unsigned8;
constexpr auto kS16 = WaveSampleFormat::SignedLittle16;

// An image of `samples` 8-bit samples whose data chunk is the last and has no pad byte.
Bytes WithoutFinalPadByte(std::size_t samples)
{
    Bytes image = Riff({kMonoFormatChunk, Chunk("data", Samples(samples))});
    image.pop_back();
    Write32(image, 4, static_cast<std::uint32_t>(image.size() - 8));
    return image;
}

Bytes WithTrailingBytes(Bytes image, std::size_t count)
{
    image.resize(image.size() + count, 0xEE);
    return image;
}

Bytes FormatWithExtensionSize()
{
    Bytes format = kMonoFormat;
    Append16(format, 0);
    return format;
}

// One case a row.
// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Images, ValidImage,
    testing::Values(
        ValidCase{"project_image_even_length", EvenLengthToneImage(), 44, 44100, 22050, 1, kU8},
        ValidCase{"project_image_odd_length", OddLengthToneImage(), 44, 44163, 22050, 1, kU8},
        ValidCase{"one_sample_then_pad_byte", Riff({kMonoFormatChunk, Chunk("data", Samples(1))}),
                  44, 1, 22050, 1, kU8},
        ValidCase{"odd_data_without_pad_byte_at_the_end", WithoutFinalPadByte(5),
                  44, 5, 22050, 1, kU8},
        ValidCase{"extra_chunks_of_odd_length_before_and_between",
                  Riff({Chunk("LIST", Samples(3)), kMonoFormatChunk, Chunk("fact", Samples(4)),
                        Chunk("data", Samples(10))}),
                  12 + 12 + 24 + 12 + 8, 10, 22050, 1, kU8},
        ValidCase{"chunk_after_the_data",
                  Riff({kMonoFormatChunk, Chunk("data", Samples(4)), Chunk("LIST", Samples(9))}),
                  44, 4, 22050, 1, kU8},
        ValidCase{"format_chunk_with_extension_size",
                  Riff({Chunk("fmt ", FormatWithExtensionSize()), Chunk("data", Samples(4))}),
                  46, 4, 22050, 1, kU8},
        ValidCase{"span_longer_than_the_riff_chunk",
                  WithTrailingBytes(Riff({kMonoFormatChunk, Chunk("data", Samples(6))}), 100),
                  44, 6, 22050, 1, kU8},
        ValidCase{"sixteen_bit_stereo_at_44100",
                  Riff({Chunk("fmt ", PcmFormat(2, 44100, 16)), Chunk("data", Samples(16))}),
                  44, 16, 44100, 2, kS16},
        ValidCase{"sixteen_bit_mono_at_8000",
                  Riff({Chunk("fmt ", PcmFormat(1, 8000, 16)), Chunk("data", Samples(2))}),
                  44, 2, 8000, 1, kS16}),
    CaseName<ValidCase>);
// clang-format on

struct MalformedCase
{
    const char* name;
    // Spoils a valid image of the program's own format: 44-byte header, 101 samples, pad.
    std::function<void(Bytes&)> spoil;
};

Bytes SmallProjectImage()
{
    return Riff({kMonoFormatChunk, Chunk("data", Samples(101))});
}

class MalformedImage : public testing::TestWithParam<MalformedCase>
{
};

TEST_P(MalformedImage, IsRefused)
{
    Bytes image = SmallProjectImage();
    ASSERT_TRUE(ReadWaveImage(AsSpan(image)).has_value());
    GetParam().spoil(image);
    // A copy of exactly the spoiled size: AddressSanitizer reports any read beyond it.
    const Bytes exact = image;
    EXPECT_FALSE(ReadWaveImage(AsSpan(exact)).has_value());
}

void Rename(Bytes& image, std::size_t offset, std::string_view id)
{
    std::copy(id.begin(), id.end(), image.begin() + static_cast<std::ptrdiff_t>(offset));
}

constexpr std::size_t kRiffSize = 4, kFormatSize = 16, kFormatTag = 20, kChannels = 22,
                      kSampleRate = 24, kByteRate = 28, kBlockAlign = 32, kBits = 34, kDataId = 36,
                      kDataSize = 40;

INSTANTIATE_TEST_SUITE_P(
    Headers, MalformedImage,
    testing::Values(
        MalformedCase{"empty", [](Bytes& b) { b.clear(); }},
        MalformedCase{"shorter_than_the_riff_header", [](Bytes& b) { b.resize(11); }},
        MalformedCase{"truncated_in_the_format_chunk", [](Bytes& b) { b.resize(30); }},
        MalformedCase{"truncated_in_the_data", [](Bytes& b) { b.resize(44 + 50); }},
        MalformedCase{"not_riff", [](Bytes& b) { Rename(b, 0, "RIFX"); }},
        MalformedCase{"not_wave", [](Bytes& b) { Rename(b, 8, "AVI "); }},
        MalformedCase{"riff_size_one_beyond_the_span",
                      [](Bytes& b) { Write32(b, kRiffSize, Read32(b, kRiffSize) + 1); }},
        MalformedCase{"riff_size_at_maximum", [](Bytes& b) { Write32(b, kRiffSize, ~0u); }},
        MalformedCase{"riff_size_ends_inside_the_data",
                      [](Bytes& b) { Write32(b, kRiffSize, 36 + 50); }},
        MalformedCase{"riff_size_too_small_for_wave", [](Bytes& b) { Write32(b, kRiffSize, 2); }},
        MalformedCase{"data_size_beyond_the_riff_chunk",
                      [](Bytes& b) { Write32(b, kDataSize, 101 + 2); }},
        MalformedCase{"data_size_at_maximum", [](Bytes& b) { Write32(b, kDataSize, ~0u); }},
        MalformedCase{"data_size_wraps_the_offset_around",
                      [](Bytes& b) { Write32(b, kDataSize, ~0u - 43); }},
        MalformedCase{"zero_length_data", [](Bytes& b) { Write32(b, kDataSize, 0); }},
        MalformedCase{"format_size_beyond_the_riff_chunk",
                      [](Bytes& b) { Write32(b, kFormatSize, 1000); }},
        MalformedCase{"format_chunk_too_short", [](Bytes& b) { Write32(b, kFormatSize, 14); }},
        MalformedCase{"format_tag_float", [](Bytes& b) { Write16(b, kFormatTag, 3); }},
        MalformedCase{"format_tag_extensible", [](Bytes& b) { Write16(b, kFormatTag, 0xFFFE); }},
        MalformedCase{"no_channels", [](Bytes& b) { Write16(b, kChannels, 0); }},
        MalformedCase{"three_channels", [](Bytes& b) { Write16(b, kChannels, 3); }},
        MalformedCase{"sample_rate_zero",
                      [](Bytes& b) {
                          Write32(b, kSampleRate, 0);
                          Write32(b, kByteRate, 0);
                      }},
        MalformedCase{"twelve_bit_samples", [](Bytes& b) { Write16(b, kBits, 12); }},
        MalformedCase{"block_align_disagrees", [](Bytes& b) { Write16(b, kBlockAlign, 2); }},
        MalformedCase{"byte_rate_disagrees", [](Bytes& b) { Write32(b, kByteRate, 44100); }},
        MalformedCase{"format_chunk_missing", [](Bytes& b) { Rename(b, 12, "junk"); }},
        MalformedCase{"data_chunk_missing", [](Bytes& b) { Rename(b, kDataId, "junk"); }},
        MalformedCase{"data_before_format",
                      [](Bytes& b) {
                          b = Riff({Chunk("data", Samples(101)), kMonoFormatChunk});
                      }},
        MalformedCase{"second_format_chunk",
                      [](Bytes& b) {
                          b = Riff({kMonoFormatChunk, Chunk("fmt ", kMonoFormat),
                                    Chunk("data", Samples(101))});
                      }},
        MalformedCase{
            "sixteen_bit_data_of_odd_length",
            [](Bytes& b) {
                b = Riff({Chunk("fmt ", PcmFormat(1, 22050, 16)), Chunk("data", Samples(101))});
            }},
        MalformedCase{
            "stereo_data_not_whole_frames",
            [](Bytes& b) {
                b = Riff({Chunk("fmt ", PcmFormat(2, 22050, 16)), Chunk("data", Samples(6))});
            }}),
    CaseName<MalformedCase>);

} // namespace
