#include "ToneImageSupport.h"

#include "tone/NoteFrequency.h"
#include "tone/ToneSamples.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>

namespace {

using tone::ReferenceToneSample;

constexpr std::int32_t kC = 1, kCSharp = 2, kD = 3, kA = 10, kB = 12;

// The sample that the loop-end search computed for index L (replaced by the trailing zero).
std::uint8_t ComputedSample(long double frequency, std::int32_t index)
{
    return ReferenceToneSample(tone::AngularFrequency(frequency), index);
}

bool IsUpwardMiddlePass(std::uint8_t sample, std::uint8_t previous)
{
    return sample >= 126 && sample <= 129 && sample > previous;
}

// Everything about an image's structure that holds whatever the frequency.
void ExpectWellFormed(const BuiltImage& image)
{
    ASSERT_GE(image.bytes.size(), 44 + 44100 + 1);
    const std::uint32_t length = image.dataSize();
    ASSERT_GE(length, 44100u);
    ASSERT_LE(length, 80000u);
    ASSERT_EQ(image.bytes.size(), qsizetype{44} + length + 1);
    EXPECT_EQ(image.riffSize(), length + 37);
    EXPECT_EQ(image.bytes.left(4), "RIFF");
    EXPECT_EQ(image.bytes.mid(8, 8), "WAVEfmt ");
    EXPECT_EQ(image.bytes.mid(36, 4), "data");
    EXPECT_EQ(image.bytes.back(), '\0');
    EXPECT_EQ(image.positionAfterBuild, 0);
    EXPECT_EQ(image.sample(0), 128);
    for (std::uint32_t i = 0; i < length; ++i) {
        ASSERT_GE(image.sample(i), 32) << i;
        ASSERT_LE(image.sample(i), 224) << i;
    }
}

// The data ends just before the first upward middle pass from sample 44100 on, or at 80000.
void ExpectLoopEndsAtFirstUpwardPass(const BuiltImage& image)
{
    const auto length = static_cast<std::int32_t>(image.dataSize());
    for (std::int32_t i = 44100; i < length; ++i)
        ASSERT_FALSE(IsUpwardMiddlePass(image.sample(i), image.sample(i - 1))) << "at " << i;
    if (length < 80000) {
        EXPECT_TRUE(
            IsUpwardMiddlePass(ComputedSample(image.frequency, length), image.sample(length - 1)));
    }
}

TEST(ToneImage, A4At440ByteByByte)
{
    const BuiltImage image = BuildImage(440, kA, 4);
    EXPECT_EQ(image.frequency, 440.0L);
    ASSERT_EQ(image.bytes.size(), 44145);

    const unsigned char header[44] = {
        'R', 'I', 'F', 'F', 0x69, 0xAC, 0x00, 0x00, 'W', 'A',  'V',  'E',  'f',  'm',  't',
        ' ', 16,  0,   0,   0,    1,    0,    1,    0,   0x22, 0x56, 0,    0,    0x22, 0x56,
        0,   0,   1,   0,   8,    0,    'd',  'a',  't', 'a',  0x44, 0xAC, 0x00, 0x00};
    EXPECT_EQ(image.bytes.left(44), QByteArray(reinterpret_cast<const char*>(header), 44));
    EXPECT_EQ(image.riffSize(), 44137u);
    EXPECT_EQ(image.dataSize(), 44100u);

    struct KnownSample
    {
        int index;
        int value;
    };
    for (const KnownSample s : {KnownSample{0, 128},
                                {1, 140},
                                {2, 152},
                                {3, 163},
                                {12, 224},
                                {13, 224},
                                {37, 32},
                                {44099, 116}})
        EXPECT_EQ(image.sample(s.index), s.value) << "sample " << s.index;
    EXPECT_EQ(image.bytes.at(44 + 44100), '\0');
    EXPECT_EQ(ComputedSample(440.0L, 44100), 128);
    ExpectWellFormed(image);
}

TEST(ToneImage, MiddleCAt440)
{
    const BuiltImage image = BuildImage(440, kC, 4);
    ASSERT_EQ(image.bytes.size(), 44208);
    EXPECT_EQ(image.riffSize(), 44200u);
    EXPECT_EQ(image.dataSize(), 44163u);
    EXPECT_EQ(image.sample(44162), 120);
    EXPECT_EQ(ComputedSample(image.frequency, 44163), 127);
    ExpectWellFormed(image);
}

struct LoopCase
{
    const char* name;
    std::int32_t pitch;
    std::int32_t note;
    std::int32_t octave;
    std::uint32_t length;
};

void PrintTo(const LoopCase& c, std::ostream* os)
{
    *os << c.name;
}

class LoopLength : public testing::TestWithParam<LoopCase>
{
};

TEST_P(LoopLength, DataEndsBeforeTheFirstUpwardPassAfterTwoSeconds)
{
    const LoopCase& c = GetParam();
    const BuiltImage image = BuildImage(c.pitch, c.note, c.octave);
    EXPECT_EQ(image.dataSize(), c.length);
    ExpectWellFormed(image);
    ExpectLoopEndsAtFirstUpwardPass(image);
}

INSTANTIATE_TEST_SUITE_P(
    Notes, LoopLength,
    testing::Values(LoopCase{"A4_at_440_is_880_whole_periods", 440, kA, 4, 44100},
                    LoopCase{"C0_at_300_lowest_in_range", 300, kC, 0, 45481},
                    LoopCase{"A0_at_300_falls_at_two_seconds", 300, kA, 0, 44684},
                    LoopCase{"B7_at_450_highest_in_range", 450, kB, 7, 44227},
                    LoopCase{"C_sharp5_at_407_repeats_every_43_samples", 407, kCSharp, 5, 80000},
                    LoopCase{"C_sharp6_at_407_repeats_every_43_samples", 407, kCSharp, 6, 80000},
                    LoopCase{"D7_at_438_longest_below_the_bound", 438, kD, 7, 79313},
                    LoopCase{"pitch_0_never_rises", 0, kA, 4, 80000},
                    LoopCase{"one_hertz", 1, kA, 4, 44119},
                    LoopCase{"three_hertz", 3, kA, 4, 44107},
                    LoopCase{"pitch_1_C0_never_passes_upward", 1, kC, 0, 80000},
                    LoopCase{"negative_pitch_A4", -440, kA, 4, 44125},
                    LoopCase{"A4_at_half_the_sample_rate", 11025, kA, 4, 80000}),
    [](const testing::TestParamInfo<LoopCase>& info) { return std::string(info.param.name); });

TEST(ToneImage, A4LoopsAfterExactlyTwoSecondsAtEveryPitchInRange)
{
    for (std::int32_t pitch = 300; pitch <= 450; ++pitch)
        EXPECT_EQ(BuildImage(pitch, kA, 4).dataSize(), 44100u) << "pitch " << pitch;
}

TEST(ToneImage, OneHertzRisesFirstAtSample44119)
{
    const BuiltImage image = BuildImage(1, kA, 4);
    for (int i = 44099; i <= 44118; ++i)
        EXPECT_EQ(image.sample(i), 128) << i;
    EXPECT_EQ(ComputedSample(1.0L, 44119), 129);
}

TEST(ToneImage, SilentFrequenciesGiveTheMiddleLevelThroughout)
{
    const long double inf = std::numeric_limits<long double>::infinity();
    // Pitch 0; whole multiples of half the sample rate; and frequencies that no sine can
    // follow (infinite from hand-edited octaves, or not a number).
    for (const long double frequency : {0.0L, 11025.0L, 22050.0L, -11025.0L, inf, -inf,
                                        std::numeric_limits<long double>::quiet_NaN()}) {
        const auto buffer = tone::CreateToneBuffer();
        EXPECT_EQ(tone::WriteToneImage(frequency, *buffer), 80000) << frequency;
        const QByteArray& bytes = buffer->data();
        ASSERT_EQ(bytes.size(), 80045);
        EXPECT_EQ(bytes.mid(44, 80000).count(char(128)), 80000) << frequency;
    }
}

TEST(ToneImage, HandEditedOctavesStillGiveWellFormedImages)
{
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    for (const auto& [note, octave] : {std::pair{kA, kMax}, {kC, kMin}, {kMax, kMax}, {kA, 2000}}) {
        const BuiltImage image = BuildImage(440, note, octave);
        ExpectWellFormed(image);
        EXPECT_EQ(image.dataSize(), 80000u);
    }
}

TEST(ToneImage, NegativePitchMirrorsTheWave)
{
    const long double up = tone::AngularFrequency(tone::NoteFrequency(440, kA, 4));
    const long double down = tone::AngularFrequency(tone::NoteFrequency(-440, kA, 4));
    for (std::int32_t i = 0; i <= 80000; ++i)
        ASSERT_EQ(ReferenceToneSample(down, i), 256 - ReferenceToneSample(up, i)) << i;
}

TEST(ToneImage, EveryNoteAtSeveralPitchesLoopsAtItsFirstUpwardPass)
{
    for (const std::int32_t pitch : {300, 407, 440, 450}) {
        for (std::int32_t octave = 0; octave <= 7; ++octave) {
            for (std::int32_t note = 1; note <= 12; ++note) {
                SCOPED_TRACE(testing::Message()
                             << "note " << note << " octave " << octave << " pitch " << pitch);
                const BuiltImage image = BuildImage(pitch, note, octave);
                ExpectWellFormed(image);
                ExpectLoopEndsAtFirstUpwardPass(image);
            }
        }
    }
}

} // namespace
