#pragma once

#include "PcmDevice.h"
#include "playback/WakeSignal.h"

#include <chrono>
#include <cstddef>
#include <span>

namespace tone {

// What a write came to: how many frames the device took (fewer than it was given when the
// wake signal cut the write short), and the negative error code of a write that failed (the
// device can no longer be used and must be reopened; -ETIMEDOUT when it took no frame for the
// stall timeout).
struct PcmWriteResult
{
    std::size_t framesWritten = 0;
    int error = 0;
};

// Writes all of `frames` to `device`, waiting while its buffer is full, unless `wake` is
// raised meanwhile: then it clears the signal and returns at once with the frames not yet
// written. Recovers from underruns (-EPIPE) and from suspend (-ESTRPIPE, retrying the
// resume while the device is still asleep). A device that takes no frame for
// `stallTimeout` is reported lost; nothing else decides that a device is stuck.
PcmWriteResult WriteFrames(PcmDevice& device, std::span<const StereoFrame> frames, WakeSignal& wake,
                           std::chrono::milliseconds stallTimeout);

} // namespace tone
