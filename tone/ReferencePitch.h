#pragma once

#include <QStringView>

#include <cstdint>

namespace tone {

// The reference pitch (the A of octave 4, in hertz) that a pitch field text holds.
inline constexpr std::int32_t kPitchWhenNotANumber = 300;

// Reads the pitch field's text as a signed 32-bit integer in the grammar of ParseIntegerText
// (IntegerText.h). Any other text gives 300. The value is not clamped to the field's range.
std::int32_t ReadReferencePitch(QStringView text);

} // namespace tone
