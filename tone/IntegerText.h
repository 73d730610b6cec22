#pragma once

#include <QStringView>

#include <cstdint>
#include <optional>

namespace tone {

// Reads a text as a signed 32-bit integer: leading spaces, then an optional sign and decimal
// digits, or (without a sign) hexadecimal digits after "$", "x", "X", "0x" or "0X", read as
// an unsigned 32-bit pattern. The digits must run to the end of the text. Any other text,
// the empty text included, and a number that does not fit 32 bits give nothing.
std::optional<std::int32_t> ParseIntegerText(QStringView text);

} // namespace tone
