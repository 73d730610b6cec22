#pragma once

#include <QStringView>

#include <cstdint>

namespace tone {

// The reference pitch is the frequency of the A of octave 4, in hertz. The pitch field offers
// this range, and a text that holds no whole number reads as its lowest pitch.
inline constexpr std::int32_t kLowestReferencePitch = 300;
inline constexpr std::int32_t kHighestReferencePitch = 450;
inline constexpr std::int32_t kPitchWhenNotANumber = kLowestReferencePitch;

// Reads the pitch field's text as a signed 32-bit integer in the grammar of ParseIntegerText
// (IntegerText.h). Any other text gives kPitchWhenNotANumber. The value is not clamped to
// the field's range.
std::int32_t ReadReferencePitch(QStringView text);

} // namespace tone
