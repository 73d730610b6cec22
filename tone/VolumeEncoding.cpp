#include "VolumeEncoding.h"

namespace tone {

std::int32_t LoudnessBandPosition(long double frequency, std::int32_t position)
{
    // Each division discards its remainder before the multiplication that follows it, so
    // (p ÷ 4) × 3 is 0 at p = 3, not 2.
    const std::int32_t p = position;
    if (frequency < 100.0L)
        return p / 2; // 65535 down to 32768
    if (frequency < 250.0L)
        return (p / 4) * 3; // 65535 down to 16386
    if (frequency < 800.0L)
        return p; // the full range
    if (frequency < 1600.0L)
        return (p / 3) * 2 + 21845; // 43690 down to 0
    return p / 3 + 43690;           // 21845 down to 0
}

} // namespace tone
