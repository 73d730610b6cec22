#include "tone/NoteFrequency.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

namespace {

using tone::NoteFrequency;

std::string Formatted(const char* format, long double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

struct FrequencyCase
{
    std::int32_t pitch;
    std::int32_t note;
    std::int32_t octave;
    const char* sixDecimals;
};

class NoteFrequencyValues : public testing::TestWithParam<FrequencyCase>
{
};

TEST_P(NoteFrequencyValues, MatchToSixDecimals)
{
    const FrequencyCase& c = GetParam();
    EXPECT_EQ(Formatted("%.6Lf", NoteFrequency(c.pitch, c.note, c.octave)), c.sixDecimals);
}

INSTANTIATE_TEST_SUITE_P(
    Octave4At440, NoteFrequencyValues,
    testing::Values(FrequencyCase{440, 1, 4, "261.625565"}, FrequencyCase{440, 2, 4, "277.182631"},
                    FrequencyCase{440, 3, 4, "293.664768"}, FrequencyCase{440, 4, 4, "311.126984"},
                    FrequencyCase{440, 5, 4, "329.627557"}, FrequencyCase{440, 6, 4, "349.228231"},
                    FrequencyCase{440, 7, 4, "369.994423"}, FrequencyCase{440, 8, 4, "391.995436"},
                    FrequencyCase{440, 9, 4, "415.304698"}, FrequencyCase{440, 10, 4, "440.000000"},
                    FrequencyCase{440, 11, 4, "466.163762"},
                    FrequencyCase{440, 12, 4, "493.883301"}));

INSTANTIATE_TEST_SUITE_P(
    Extremes, NoteFrequencyValues,
    testing::Values(FrequencyCase{440, 1, 0, "16.351598"}, FrequencyCase{440, 12, 7, "3951.066410"},
                    FrequencyCase{300, 1, 0, "11.148817"}, FrequencyCase{450, 12, 7, "4040.863374"},
                    FrequencyCase{407, 2, 5, "512.787867"}, FrequencyCase{407, 2, 6, "1025.575735"},
                    FrequencyCase{438, 3, 7, "2338.639425"}));

TEST(NoteFrequency, EveryAIsExactlyThePitchTimesAPowerOfTwo)
{
    EXPECT_EQ(NoteFrequency(440, 10, 4), 440.0L);
    EXPECT_EQ(NoteFrequency(440, 10, 0), 27.5L);
    EXPECT_EQ(NoteFrequency(440, 10, 7), 3520.0L);
    EXPECT_EQ(NoteFrequency(442, 10, 4), 442.0L);
    for (std::int32_t pitch = 300; pitch <= 450; ++pitch) {
        for (std::int32_t octave = 0; octave <= 7; ++octave)
            EXPECT_EQ(NoteFrequency(pitch, 10, octave),
                      std::ldexp(static_cast<long double>(pitch), octave - 4));
    }
}

TEST(NoteFrequency, MiddleCTo16SignificantDigits)
{
    EXPECT_EQ(Formatted("%.16Lg", NoteFrequency(440, 1, 4)), "261.6255653005986");
}

TEST(NoteFrequency, NoteAndOctaveBeyondTheirRangesContinueTheScale)
{
    // Note 13 of octave 3 is C of octave 4; note 0 of octave 5 is B of octave 4.
    EXPECT_EQ(NoteFrequency(440, 13, 3), NoteFrequency(440, 1, 4));
    EXPECT_EQ(NoteFrequency(440, 0, 5), NoteFrequency(440, 12, 4));
    EXPECT_EQ(NoteFrequency(440, 10, 8), 7040.0L);
    EXPECT_EQ(NoteFrequency(440, 10, -1), 13.75L);
}

TEST(NoteFrequency, ZeroAndNegativePitches)
{
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    for (std::int32_t octave : {0, 4, 7, kMax, kMin}) {
        for (std::int32_t note = 1; note <= 12; ++note) {
            EXPECT_EQ(NoteFrequency(0, note, octave), 0.0L) << note << ' ' << octave;
            EXPECT_EQ(NoteFrequency(-440, note, octave), -NoteFrequency(440, note, octave));
        }
    }
}

TEST(NoteFrequency, HandEditedExtremesGiveInfinityOrZeroWithoutOverflow)
{
    // octave × 12 overflows 32 bits here; the sanitizer build catches it if it is computed so.
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    EXPECT_EQ(NoteFrequency(440, 10, kMax), std::numeric_limits<long double>::infinity());
    EXPECT_EQ(NoteFrequency(440, 1, kMax), std::numeric_limits<long double>::infinity());
    EXPECT_EQ(NoteFrequency(440, kMax, kMax), std::numeric_limits<long double>::infinity());
    EXPECT_EQ(NoteFrequency(-440, 10, kMax), -std::numeric_limits<long double>::infinity());
    EXPECT_EQ(NoteFrequency(440, 10, kMin), 0.0L);
    EXPECT_EQ(NoteFrequency(440, kMin, kMin), 0.0L);
    EXPECT_EQ(NoteFrequency(440, kMin, 4), 0.0L);
}

} // namespace
