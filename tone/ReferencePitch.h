#pragma once

#include <QStringView>

#include <cstdint>

namespace tone {

// The reference pitch (the A of octave 4, in hertz) that a pitch field text holds.
inline constexpr std::int32_t kPitchWhenNotANumber = 300;

// Reads the pitch field's text as a signed 32-bit integer: leading spaces, then an optional
// sign and decimal digits, or (without a sign) hexadecimal digits after "$", "x", "X", "0x"
// or "0X", read as an unsigned 32-bit pattern. The digits must run to the end of the text.
// Any other text gives 300. The value is not clamped to the field's range.
std::int32_t ReadReferencePitch(QStringView text);

} // namespace tone
