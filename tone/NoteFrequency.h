#pragma once

#include <cstdint>

namespace tone {

// The equal-tempered frequency in hertz of a note (NoteIndex 1..12) in an octave, with the A
// of octave 4 at the reference pitch. Every A is exactly pitch × 2^(octave − 4). Note and
// octave are not range-checked: values from hand-edited settings are used as they are, and
// a power of two beyond extended range gives an infinite frequency (or 0 below it).
long double NoteFrequency(std::int32_t pitch, std::int32_t noteIndex, std::int32_t octave);

} // namespace tone
