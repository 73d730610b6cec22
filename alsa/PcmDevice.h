#pragma once

#include "playback/LoopRenderer.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <span>

namespace tone {

// What a wait for the device came to.
enum class PcmWait {
    Ready,    // the device has room for a period, or is in an error state a write will report
    NotReady, // the device woke the wait, but has no room yet
    Woken,    // the wake descriptor became readable first
    TimedOut, // neither happened within the timeout
};

// The few operations on a playback PCM that the playback thread uses. ALSA stands behind
// them in the program (AlsaPcmOutput); tests put a scripted device in its place, so that
// every error path of the thread runs without a sound card. A device is opened, used and
// destroyed by one thread; its calls may block for as long as the sound server makes them.
class PcmDevice
{
public:
    virtual ~PcmDevice() = default;

    // Frames per second, and the frames in one period and in the whole buffer, as granted.
    virtual unsigned sampleRate() const = 0;
    virtual std::size_t periodFrames() const = 0;
    virtual std::size_t bufferFrames() const = 0;

    // Queues frames without waiting, as snd_pcm_writei does on a non-blocking PCM: returns
    // how many frames were taken (possibly fewer than given), 0 or -EAGAIN when the buffer
    // is full, -EPIPE after an underrun, -ESTRPIPE while suspended, -EINTR when interrupted,
    // and any other negative error code when the device cannot go on (-ENODEV, -EIO, ...).
    virtual long write(std::span<const StereoFrame> frames) = 0;

    // Waits for room of a period (or an error state) in the device, for `wakeDescriptor` to
    // become readable, or for `timeout` to pass, whichever comes first.
    virtual PcmWait wait(int wakeDescriptor, std::chrono::milliseconds timeout) = 0;

    // Makes the device ready for frames again after an underrun; 0 or an error code.
    virtual int prepare() = 0;
    // Brings a suspended device back: 0, -EAGAIN while it is still suspended, or another
    // error code when it cannot resume (prepare then starts it afresh).
    virtual int resume() = 0;
};

// Opens a device for `sampleRate` frames per second; on failure returns nothing and sets
// `error` to a negative error code.
using PcmDeviceOpener = std::function<std::unique_ptr<PcmDevice>(unsigned sampleRate, int& error)>;

} // namespace tone
