#include "ToneSamples.h"

#include "ExtendedPrecision.h"
#include "WaveFormat.h"

#include <cmath>

namespace tone {

namespace {

constexpr long double kAmplitude = 96.0L;
// Beyond this magnitude the phase is taken as giving no sine at all.
constexpr long double kLargestPhase = 0x1p63L;

} // namespace

long double AngularFrequency(long double frequency)
{
    return (2.0L * kPi) * frequency;
}

long double SamplePhase(long double angularFrequency, std::int32_t index)
{
    return (angularFrequency * static_cast<long double>(index)) /
           static_cast<long double>(wave::kSampleRate);
}

std::uint8_t ReferenceToneSample(long double angularFrequency, std::int32_t index)
{
    const long double x = SamplePhase(angularFrequency, index);
    // The comparison is false for a NaN phase too (an infinite frequency at sample 0), so
    // no NaN ever reaches the conversion to an integer.
    const long double s = std::fabs(x) < kLargestPhase ? std::sin(x) : 0.0L;
    const long double v = s * kAmplitude + static_cast<long double>(wave::kMiddleLevel);
    // lrint rounds in the current mode, which is to nearest with ties to even.
    return static_cast<std::uint8_t>(std::lrint(v) & 0xFF);
}

ReferenceToneSampler::ReferenceToneSampler(long double frequency)
    : angularFrequency_(AngularFrequency(frequency))
{
}

void ReferenceToneSampler::fill(std::int32_t first, std::span<std::uint8_t> out) const
{
    for (std::size_t k = 0; k < out.size(); ++k)
        out[k] = ReferenceToneSample(angularFrequency_, first + static_cast<std::int32_t>(k));
}

} // namespace tone
