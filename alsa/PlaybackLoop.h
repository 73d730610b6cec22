#pragma once

#include "GainRamp.h"
#include "LoopRenderer.h"
#include "PcmDevice.h"
#include "PlaybackRequests.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

namespace tone {

// The work of the playback thread: follows the requests in PlaybackRequests until the owner
// stops it. It opens a device when there is something to play and converts the image a
// period at a time into it, and closes the device when nothing is to play. Once the device
// has been filled, each period is converted only when there is room for it, so that it carries
// the volume of that moment: a volume step is heard after what the device holds, not after
// that and a period converted ahead.
//
// Nothing is ever cut off: what the device has queued cannot be taken back through the
// sound servers' ALSA bridges without a click, so every change is made after it. The level
// follows the volume in a ramp (GainRamp); a tone that is replaced or stopped fades out from
// frames converted before the request, so that the image is not read after it; a new tone
// starts at its first frame (or fades in, when that frame is not at the middle level); and
// before the device is closed, silence is written until everything queued is silence.
// Queued silence alone is thrown away when a tone is replaced or unmuted, so that the tone
// is heard at once.
//
// A device that cannot be opened or fails is logged once and tried again after a pause that
// doubles up to a limit, reset only once a device has played frames again.
class PlaybackLoop
{
public:
    explicit PlaybackLoop(std::shared_ptr<PlaybackRequests> requests);
    PlaybackLoop(const PlaybackLoop&) = delete;
    PlaybackLoop& operator=(const PlaybackLoop&) = delete;

    // Returns once the owner has asked to stop and the device is closed; then marks the
    // requests finished.
    void run();

private:
    using Lock = std::unique_lock<std::mutex>;

    StereoGain targetGain() const;
    // Whether the device holds nothing but silence (or nothing), what waits to be written
    // included, when it holds at most `queued` frames (by default, its buffer).
    bool queuedIsSilent(std::size_t queued) const;
    bool queuedIsSilent() const;
    // Whether the volume is up while the device holds only silence, which is then thrown away
    // so that the tone is heard at once. Asks the device, with the lock released.
    bool unmutedOverQueuedSilence(Lock& lock);
    // Each of these runs with `lock` held; those that call the device release it meanwhile.
    void takeUpRequest();
    void fadeOut();
    void windDown(Lock& lock);
    void closeDevice(Lock& lock);
    void openDevice(Lock& lock);
    void discardQueued(Lock& lock);
    void restartOverSilence(Lock& lock);
    // Waits until the device has room for a period or a request comes, or until the device
    // wakes the wait without room or times it out: the write then waits on.
    void waitForRoom(Lock& lock);
    void renderPeriod();
    void writePending(Lock& lock);
    void failed(Lock& lock, const char* what, int error);
    void waitBeforeRetry(Lock& lock);

    const std::shared_ptr<PlaybackRequests> requests_;
    std::unique_ptr<PcmDevice> device_;
    // The request being played, and the frame of its image that comes next.
    std::uint64_t generation_ = 0;
    std::size_t position_ = 0;

    RampShape shape_;
    GainRamp ramp_;
    // The next period starts at frame 0 of an image that starts at the middle level, after
    // silence: its level may go straight to the target.
    bool mayJump_ = false;
    // Once the device has been filled, each period is converted only after a wait has found
    // room for it, so that it takes up the volume of that moment instead of the moment the
    // device filled up, which would add a period to the time a volume step takes.
    bool roomAwaited_ = false;

    // The last period converted at full level, followed by the frames that would come after
    // it: a fade-out is made from these once the image may no longer be read.
    std::vector<StereoFrame> unity_;
    // Frames of unity_ written so far, while it is what pending_ holds (negative while the
    // silence before it is written).
    std::ptrdiff_t unityWritten_ = 0;
    bool pendingIsPeriod_ = false;
    std::vector<StereoFrame> output_;
    std::vector<StereoFrame> fade_;
    // The frames converted but not written yet.
    std::span<const StereoFrame> pending_;

    // Frames written since the device was last empty, and the silent frames at their end.
    std::size_t framesSinceEmpty_ = 0;
    std::size_t trailingSilence_ = 0;
    // Frames the device has taken since it was opened: more than its buffer holds means it
    // has played some, and only then does the back-off start over.
    std::size_t framesTakenSinceOpen_ = 0;
    std::chrono::milliseconds retryDelay_;
    // One log line an outage: set by the first failure, cleared once frames play again.
    bool failureReported_ = false;
};

} // namespace tone
