#pragma once

#include <cstdint>
#include <span>

namespace tone {

// 2π × f, rounded to extended precision: the phase step of the tone per second.
long double AngularFrequency(long double frequency);

// Sample `index` of the tone, evaluated step by step in extended precision:
// x = ((2π × f) × i) / 22050, s = sin x (0 when |x| ≥ 2^63 or x is not a number),
// sample = s × 96 + 128 rounded to the nearest integer, ties to even. For any input the
// sample lies in 32..224; sample 0 is always 128.
std::uint8_t ReferenceToneSample(long double angularFrequency, std::int32_t index);

// Fills `out` with the samples first, first + 1, ... of the tone at `frequency`.
using ToneSampleFiller = void (*)(long double frequency, std::int32_t first,
                                  std::span<std::uint8_t> out);

// The straightforward evaluation: one ReferenceToneSample per sample.
void ReferenceToneSamples(long double frequency, std::int32_t first,
                          std::span<std::uint8_t> out);

} // namespace tone
