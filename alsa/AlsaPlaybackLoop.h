#pragma once

#include "PcmDevice.h"
#include "playback/PlaybackRequests.h"
#include "playback/PlaybackThread.h"
#include "playback/ToneShaper.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

namespace tone {

// The work of the ALSA playback thread: feeds the tone that the requests ask for (shaped by
// a ToneShaper) into a PCM, a period at a time, until the owner stops it. What a PCM has
// queued cannot be taken back through the sound servers' ALSA bridges without a click, so
// nothing queued is ever thrown away: every change is heard after what the device holds,
// which is why the device's buffer is kept short (AlsaPcmOutput). Once the device has been
// filled, each period is made only when there is room for it, so that it carries the volume
// of that moment.
//
// The thread is always in one of these phases:
// - Idle: no device, nothing to play; parked until a request comes.
// - Playing: a device at the image's rate is open and takes the tone as it has room.
//   `pending_` holds the frames made but not yet taken (at most a period); `written_` counts
//   what the device has taken since it was opened.
// - WindingDown: a device is open, but nothing is to play on it (a stop, an image at
//   another rate, or the owner going away): the fade-out and silence go in until everything
//   it holds is silence, and then it is closed, so that closing cuts nothing off.
// - BackingOff: the device could not be opened or failed and is closed; the thread waits
//   `retryDelay_` (doubled after every failure up to a limit, and reset only once a device
//   has played more than its buffer again) or until a request comes, and tries again. The
//   failure is logged once an outage (`failureLogged_`).
// - Finished: the owner has stopped the thread and the device is closed.
// A request is taken up (ToneShaper::play) at the top of every step, whatever the phase.
class AlsaPlaybackLoop
{
public:
    AlsaPlaybackLoop(std::shared_ptr<PlaybackRequests> requests, PcmDeviceOpener open);
    AlsaPlaybackLoop(const AlsaPlaybackLoop&) = delete;
    AlsaPlaybackLoop& operator=(const AlsaPlaybackLoop&) = delete;

    // Returns once the owner has asked to stop and the device is closed; then marks the
    // requests finished.
    void run();

private:
    enum class Phase { Idle, Playing, WindingDown, BackingOff, Finished };
    using Lock = std::unique_lock<std::mutex>;

    // Each of these runs with `lock` held; those that call the device release it meanwhile.
    void takeUpRequest();
    // Whether there is a tone to play on the open device.
    bool deviceFits() const;
    void idle(Lock& lock);
    void feed(Lock& lock);
    void windDown(Lock& lock);
    void backOff(Lock& lock);

    void openDevice(Lock& lock);
    void closeDevice(Lock& lock);
    // Waits until the device has room for a period or a request comes; false when a request
    // came first. A wake-up without room, or a wait that times out, leaves the rest of the
    // waiting to the write, which alone decides, by the time since the device last took
    // frames, that it has stalled.
    bool waitForRoom(Lock& lock);
    void writePending(Lock& lock);
    // Whether all the device holds, and all that waits to go into it, is silence.
    bool queuedIsSilent() const;
    void failed(Lock& lock, const char* what, int error);

    const std::shared_ptr<PlaybackRequests> requests_;
    const PcmDeviceOpener open_;
    Phase phase_ = Phase::Idle;
    // The request taken up last.
    std::uint64_t generation_ = 0;
    ToneShaper shaper_;

    std::unique_ptr<PcmDevice> device_;
    std::vector<StereoFrame> output_;
    std::span<const StereoFrame> pending_;
    std::size_t written_ = 0;

    std::chrono::milliseconds retryDelay_;
    bool failureLogged_ = false;
};

// What a PlaybackThread runs to play into the devices that `open` gives.
PlaybackThread::Loop AlsaLoop(PcmDeviceOpener open);

} // namespace tone
