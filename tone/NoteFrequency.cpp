#include "NoteFrequency.h"

#include "ExtendedPrecision.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tone {

namespace {

// Semitones per octave, and the position of A4 counted from C0 with C as note 1.
constexpr std::int64_t kSemitonesPerOctave = 12;
constexpr std::int64_t kA4Position = 4 * kSemitonesPerOctave + 10;

// Far beyond the exponent range of extended precision (about ±16445), so that a clamped
// exponent still gives an infinite or zero power.
constexpr std::int64_t kExponentLimit = 1 << 20;

long double PowerOfTwo(std::int64_t semitones)
{
    if (semitones == 0)
        return 1.0L;
    if (semitones % kSemitonesPerOctave == 0) {
        const std::int64_t octaves =
            std::clamp(semitones / kSemitonesPerOctave, -kExponentLimit, kExponentLimit);
        return std::ldexp(1.0L, static_cast<int>(octaves));
    }
    const long double e =
        static_cast<long double>(semitones) / static_cast<long double>(kSemitonesPerOctave);
    return std::exp(e * std::numbers::ln2_v<long double>);
}

} // namespace

long double NoteFrequency(std::int32_t pitch, std::int32_t noteIndex, std::int32_t octave)
{
    // A zero reference pitch is silence at every note, even where the power of two would
    // overflow (0 × infinity would be NaN).
    if (pitch == 0)
        return 0.0L;
    // In 64 bits: octave × 12 overflows 32 bits for octaves from hand-edited settings.
    const std::int64_t semitones =
        std::int64_t{octave} * kSemitonesPerOctave + noteIndex - kA4Position;
    return PowerOfTwo(semitones) * static_cast<long double>(pitch);
}

} // namespace tone
