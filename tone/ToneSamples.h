#pragma once

#include <cstdint>
#include <span>

namespace tone {

// 2π × f, rounded to extended precision: the phase step of the tone per second.
long double AngularFrequency(long double frequency);

// The phase of sample `index`, x = ((2π × f) × i) / 22050, each step rounded to extended
// precision.
long double SamplePhase(long double angularFrequency, std::int32_t index);

// Sample `index` of the tone, evaluated step by step in extended precision:
// s = sin x (0 when |x| ≥ 2^63 or x is not a number), sample = s × 96 + 128 rounded to the
// nearest integer, ties to even. For any input the sample lies in 32..224; sample 0 is
// always 128. This is the definition that faster evaluations must match byte for byte.
std::uint8_t ReferenceToneSample(long double angularFrequency, std::int32_t index);

// The straightforward evaluation of a tone's samples, one ReferenceToneSample each.
class ReferenceToneSampler
{
public:
    explicit ReferenceToneSampler(long double frequency);

    // Fills `out` with the samples first, first + 1, ...
    void fill(std::int32_t first, std::span<std::uint8_t> out) const;

private:
    long double angularFrequency_;
};

} // namespace tone
