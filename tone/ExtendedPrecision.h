#pragma once

#include <limits>

namespace tone {

// The tone engine computes frequencies and sample phases in x87 extended precision: the
// exact samples of a tone image, and so the point where it loops, depend on it.
static_assert(std::numeric_limits<long double>::digits == 64,
              "the tone engine needs long double with a 64-bit significand (x87 extended)");
static_assert(std::numeric_limits<long double>::round_style == std::round_to_nearest);

// Pi with the 64-bit significand C90FDAA22168C234: pi truncated, not rounded, in its last
// bit (rounding would give ...235).
inline constexpr long double kPi = 0xC.90FDAA22168C234p-2L;

} // namespace tone
