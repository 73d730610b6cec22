#include "VolumeEncoding.h"

namespace tone {

std::int32_t LoudnessBandPosition(long double frequency, std::int32_t position)
{
    // Each division discards its remainder before the multiplication that follows it, so
    // (p ÷ 4) × 3 is 0 at p = 3, not 2. Beside each band: the positions that the slider's
    // range 0 to 65535 becomes, and the channel levels (65535 minus the position) they give.
    const std::int32_t p = position;
    if (frequency < 100.0L)
        return p / 2; // 0 to 32767: levels 65535 down to 32768
    if (frequency < 250.0L)
        return (p / 4) * 3; // 0 to 49149: levels 65535 down to 16386
    if (frequency < 800.0L)
        return p; // the full range
    if (frequency < 1600.0L)
        return (p / 3) * 2 + 21845; // 21845 to 65535: levels 43690 down to 0
    return p / 3 + 43690;           // 43690 to 65535: levels 21845 down to 0
}

} // namespace tone
