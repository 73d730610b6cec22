#include "FastToneSampler.h"

#include "WaveFormat.h"

#include <algorithm>
#include <cmath>

namespace tone {

// How the fast evaluation stays exact.
//
// The reference computes, in extended precision (unit roundoff e = 2^-64), the phase
// x_i = ((w × i) / 22050) with w = 2π × f, then v_i = sin(x_i) × 96 + 128, and rounds v_i to
// the nearest integer. Let X_i = w·i/22050 be the exact real value for the same w. Then
// |x_i − X_i| ≤ 2e·|X_i|, and sinl (error well below 2^-62) and the two roundings of v_i
// (below 2^-56) put the reference within 96·2e·|X_i| + 2^-55 of V_i = 96·sin(X_i) + 128.
//
// The fast path, in double precision (unit roundoff d = 2^-53), takes runs of samples
// i = j + k, k = 0 .. 127. X_j + X_k = X_i exactly, so
//     sin X_i = sin X_j · cos X_k + cos X_j · sin X_k.
// S, C = sin, cos of the extended phase x_j rounded to double: the phase is off by at most
// (d + 2e)·|X_j| and libm's sin and cos by at most 2d, so |S − sin X_j| and |C − cos X_j|
// are at most (d + 2e)·|X_j| + 2d. Likewise the tables cos, sin of x_k (k ≤ 127) are off by
// at most (d + 2e)·|X_k| + 2d. The values all lie in [−1, 1], so the sum of products is
// off by at most the four input errors plus 4d for its own roundings, and forming
// v = s × 96 + 128 adds 96·d + 256·d. Altogether, with P the largest |X_i| and Q the largest
// |X_k|,
//     |v_fast − v_reference| ≤ 96·(2.2d·(P + Q) + 12d) + 352d + 96·2e·P + 2^-55
//                             < 96·2^-51·(P + Q + 6) + 2^-44.
// The margin used below is twice that. When v_fast is further than the margin from every
// k + 0.5, v_reference lies strictly on the same side of each, so both round to the same
// integer (no tie can arise); otherwise the sample is evaluated the reference way. For the
// tones of the pitch field's range P is largest for B7 at 450 Hz (4040.86 Hz): at sample
// 2^17, where the fast evaluation ends, P = 2π × 4040.86 × 2^17 / 22050 ≈ 1.51 × 10^5, which
// with Q ≈ 147 makes the margin about 1.3 × 10^-8, so exact evaluations are rare.
//
// The bound needs finite, moderate phases: beyond kLargestTrustedPhase (or for an infinite
// or NaN frequency) every sample takes the reference evaluation.

namespace {

// Samples from this index on take the reference evaluation (the image uses up to 80000).
constexpr std::int32_t kIndexLimit = 1 << 17;
constexpr long double kLargestTrustedPhase = 0x1p24L;

// Adding and subtracting 1.5 × 2^52 rounds a double of magnitude below 2^51 to an integer,
// to nearest with ties to even, in a form the compiler can vectorise.
constexpr double kRoundingShift = 0x1.8p52;

constexpr double kAmplitude = 96.0;
constexpr double kMiddle = wave::kMiddleLevel;

} // namespace

FastToneSampler::FastToneSampler(long double frequency)
    : reference_(frequency), angularFrequency_(AngularFrequency(frequency))
{
    const long double largestPhase = std::fabs(SamplePhase(angularFrequency_, kIndexLimit));
    const long double largestAdvance = std::fabs(SamplePhase(angularFrequency_, kRunLength));
    trusted_ = std::isfinite(largestPhase) && largestPhase <= kLargestTrustedPhase;
    if (!trusted_)
        return;
    // Twice the bound derived above; the phases above are upper bounds of P and Q.
    const double margin = static_cast<double>(
        2.0L * (96.0L * 0x1p-51L * (largestPhase + largestAdvance + 6.0L) + 0x1p-44L));
    decisiveDistance_ = 0.5 - margin;
    for (std::int32_t k = 0; k < kRunLength; ++k) {
        const double advance = static_cast<double>(SamplePhase(angularFrequency_, k));
        advanceCos_[static_cast<std::size_t>(k)] = std::cos(advance);
        advanceSin_[static_cast<std::size_t>(k)] = std::sin(advance);
    }
}

std::size_t FastToneSampler::fill(std::int32_t first, std::span<std::uint8_t> out) const
{
    const bool covered = first >= 0 && first <= kIndexLimit &&
                         out.size() <= static_cast<std::size_t>(kIndexLimit - first);
    if (!trusted_ || !covered) {
        reference_.fill(first, out);
        return out.size();
    }
    std::size_t exactEvaluations = 0;
    for (std::size_t start = 0; start < out.size(); start += kRunLength) {
        const std::size_t count = std::min<std::size_t>(kRunLength, out.size() - start);
        exactEvaluations +=
            fillRun(first + static_cast<std::int32_t>(start), out.subspan(start, count));
    }
    return exactEvaluations;
}

std::size_t FastToneSampler::fillRun(std::int32_t first, std::span<std::uint8_t> out) const
{
    const double phase = static_cast<double>(SamplePhase(angularFrequency_, first));
    const double sinFirst = std::sin(phase);
    const double cosFirst = std::cos(phase);
    const auto cheapValue = [&](std::size_t k) {
        return (sinFirst * advanceCos_[k] + cosFirst * advanceSin_[k]) * kAmplitude + kMiddle;
    };

    int undecided = 0;
    for (std::size_t k = 0; k < out.size(); ++k) {
        const double v = cheapValue(k);
        const double rounded = (v + kRoundingShift) - kRoundingShift;
        undecided |= std::fabs(v - rounded) > decisiveDistance_;
        out[k] = static_cast<std::uint8_t>(static_cast<int>(rounded));
    }
    if (undecided == 0)
        return 0;

    std::size_t exactEvaluations = 0;
    for (std::size_t k = 0; k < out.size(); ++k) {
        const double v = cheapValue(k);
        if (std::fabs(v - std::nearbyint(v)) > decisiveDistance_) {
            out[k] = ReferenceToneSample(angularFrequency_, first + static_cast<std::int32_t>(k));
            ++exactEvaluations;
        }
    }
    return exactEvaluations;
}

} // namespace tone
