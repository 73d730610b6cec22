#pragma once

#include "ToneSamples.h"

#include <array>
#include <cstdint>
#include <span>

namespace tone {

// Evaluates a tone's samples in double precision, byte for byte equal to
// ReferenceToneSample: a sample whose cheap value lies too close to a rounding boundary for
// double precision to decide, or a tone whose phases grow too large to trust, is evaluated
// the reference way instead. The derivation of the error bound is beside the code.
class FastToneSampler
{
public:
    explicit FastToneSampler(long double frequency);

    // Fills `out` with the samples first, first + 1, ... and returns how many of them took
    // the exact extended-precision evaluation.
    std::size_t fill(std::int32_t first, std::span<std::uint8_t> out) const;

    // Samples are computed in runs of this many from one exactly evaluated phase.
    static constexpr std::int32_t kRunLength = 128;

private:
    std::size_t fillRun(std::int32_t first, std::span<std::uint8_t> out) const;

    ReferenceToneSampler reference_;
    long double angularFrequency_;
    // False when the cheap evaluation cannot be trusted at all (huge or non-finite phases).
    bool trusted_ = false;
    // A cheap value further than this from the nearest integer lies within the error bound
    // of a rounding boundary k + 0.5.
    double decisiveDistance_ = 0.0;
    // cos and sin of the phase advance over 0 .. kRunLength − 1 samples.
    std::array<double, kRunLength> advanceCos_{};
    std::array<double, kRunLength> advanceSin_{};
};

} // namespace tone
