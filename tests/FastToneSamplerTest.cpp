#include "tone/FastToneSampler.h"
#include "tone/NoteFrequency.h"
#include "tone/ToneSamples.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

using tone::FastToneSampler;
using tone::ReferenceToneSampler;

std::vector<std::uint8_t> Samples(const auto& sampler, std::int32_t first, std::size_t count)
{
    std::vector<std::uint8_t> samples(count);
    sampler.fill(first, samples);
    return samples;
}

class FastSamplesMatchTheReference : public testing::TestWithParam<long double>
{
};

TEST_P(FastSamplesMatchTheReference, OverTheWholeSearchRange)
{
    const long double frequency = GetParam();
    const auto fast = Samples(FastToneSampler(frequency), 0, 80001);
    const auto reference = Samples(ReferenceToneSampler(frequency), 0, 80001);
    ASSERT_EQ(fast.size(), reference.size());
    const auto mismatch = std::mismatch(fast.begin(), fast.end(), reference.begin());
    EXPECT_TRUE(mismatch.first == fast.end())
        << "first difference at sample " << (mismatch.first - fast.begin());
}

constexpr long double kInfinity = std::numeric_limits<long double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Frequencies, FastSamplesMatchTheReference,
    testing::Values(0.0L, 1e-300L, 0.0372L, 1.0L, 3.0L, 261.6255653005986L, 440.0L, -440.0L,
                    4040.863374L, 11025.0L, 22050.0L, -11025.0L, 1e5L,
                    // Beyond the phases the fast path trusts: all exact evaluation.
                    1e7L, 1e30L, 1e4000L, kInfinity, -kInfinity,
                    std::numeric_limits<long double>::quiet_NaN()));

TEST(FastToneSampler, RunsStartingAnywhereMatchTheReference)
{
    const long double frequency = tone::NoteFrequency(407, 2, 5);
    const FastToneSampler fast(frequency);
    const ReferenceToneSampler reference(frequency);
    // Runs that start off the run grid, single samples, and runs that reach past the
    // indices the fast path covers.
    for (const auto& [first, count] :
         {std::pair{44099, 1000}, {79999, 2}, {7, 1}, {0, 0}, {131000, 200}, {200000, 10}}) {
        EXPECT_EQ(Samples(fast, first, static_cast<std::size_t>(count)),
                  Samples(reference, first, static_cast<std::size_t>(count)))
            << "from " << first;
    }
}

TEST(FastToneSampler, SamplesNearARoundingBoundaryAreEvaluatedExactly)
{
    // D7 at pitch 328: sample 57441 is 222.4999999973 before rounding, too close to
    // 222.5 for double precision to vouch for.
    const long double frequency = tone::NoteFrequency(328, 3, 7);
    std::vector<std::uint8_t> fast(100);
    EXPECT_EQ(FastToneSampler(frequency).fill(57400, fast), 1u);
    EXPECT_EQ(fast, Samples(ReferenceToneSampler(frequency), 57400, 100));
    EXPECT_EQ(fast[41], 222);
}

TEST(FastToneSampler, UntrustedPhasesAreEvaluatedExactly)
{
    std::vector<std::uint8_t> samples(100);
    EXPECT_EQ(FastToneSampler(kInfinity).fill(0, samples), 100u);
    EXPECT_EQ(FastToneSampler(1e30L).fill(0, samples), 100u);
    EXPECT_EQ(FastToneSampler(440.0L).fill(200000, samples), 100u);
}

} // namespace
