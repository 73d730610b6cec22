#include "tone/ReferencePitch.h"

#include <gtest/gtest.h>

#include <QString>

#include <limits>

namespace {

struct PitchCase
{
    const char* text;
    std::int32_t expected;
};

void PrintTo(const PitchCase& c, std::ostream* os)
{
    *os << '"' << c.text << '"';
}

class ReferencePitchReading : public testing::TestWithParam<PitchCase>
{
};

TEST_P(ReferencePitchReading, ReadsTheWholeTextOrGives300)
{
    EXPECT_EQ(tone::ReadReferencePitch(QString::fromUtf8(GetParam().text)), GetParam().expected);
}

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

INSTANTIATE_TEST_SUITE_P(DecimalIntegers, ReferencePitchReading,
                         testing::Values(PitchCase{"440", 440}, PitchCase{"   440", 440},
                                         PitchCase{"+440", 440}, PitchCase{"00440", 440},
                                         PitchCase{" -440", -440}, PitchCase{"3", 3},
                                         PitchCase{"0", 0}, PitchCase{"-0", 0},
                                         PitchCase{"1000", 1000}, PitchCase{"2147483647", kMax},
                                         PitchCase{"-2147483648", kMin},
                                         PitchCase{"000000000000002147483647", kMax}));

INSTANTIATE_TEST_SUITE_P(HexadecimalPatterns, ReferencePitchReading,
                         testing::Values(PitchCase{"$1B8", 440}, PitchCase{"0x1B8", 440},
                                         PitchCase{"0X1b8", 440}, PitchCase{"x1b8", 440},
                                         PitchCase{"X1B8", 440}, PitchCase{"  $1B8", 440},
                                         PitchCase{"$FFFFFFFF", -1}, PitchCase{"$80000000", kMin},
                                         PitchCase{"0x7fffffff", kMax},
                                         PitchCase{"$000000001B8", 440}));

INSTANTIATE_TEST_SUITE_P(
    NotAWholeNumber, ReferencePitchReading,
    testing::Values(PitchCase{"", 300}, PitchCase{"   ", 300}, PitchCase{"440 ", 300},
                    PitchCase{"-", 300}, PitchCase{"+", 300}, PitchCase{"440.5", 300},
                    PitchCase{"2147483648", 300}, PitchCase{"-2147483649", 300},
                    PitchCase{"-$1B8", 300}, PitchCase{"+$1B8", 300}, PitchCase{"$", 300},
                    PitchCase{"0x", 300}, PitchCase{"$100000000", 300}, PitchCase{"$1G8", 300},
                    PitchCase{"\t440", 300}, PitchCase{"- 440", 300}, PitchCase{"1e3", 300},
                    PitchCase{"00x1B8", 300}, PitchCase{"４４０", 300}, PitchCase{"440Hz", 300}));

} // namespace
