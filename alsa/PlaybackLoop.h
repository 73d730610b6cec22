#pragma once

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
// stops it. It opens a device when there is something to play, converts the image a period
// at a time into the device, throws away what is queued when the image changes, and closes
// the device when told to stop. Without an image it waits on the condition variable with no
// device open. A device that cannot be opened or fails is logged once and tried again after
// a pause that doubles up to a limit, reset only once a device has played frames again.
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

    // Whether the volume has come up while everything queued in the device is silence,
    // which is then thrown away so that the sound starts at once rather than a buffer's
    // length later.
    bool unmutedOverQueuedSilence() const;
    // Each of these runs with `lock` held and releases it while calling the device.
    void closeDevice(Lock& lock);
    void openDevice(Lock& lock);
    void discardQueued(Lock& lock);
    void playPeriod(Lock& lock);
    void failed(Lock& lock, const char* what, int error);
    void waitBeforeRetry(Lock& lock);

    const std::shared_ptr<PlaybackRequests> requests_;
    std::unique_ptr<PcmDevice> device_;
    // The request being played, and the frame of its image that comes next.
    std::uint64_t generation_ = 0;
    std::size_t position_ = 0;
    // The frames of the period last converted that the device has not taken yet.
    std::span<const StereoFrame> unwritten_;
    std::vector<StereoFrame> period_;
    // The device still holds frames of an earlier request, to be thrown away before the next.
    bool queuedIsStale_ = false;
    // What went to the device since it was last empty: periods with sound, and silent ones.
    bool soundQueued_ = false;
    bool silenceQueued_ = false;
    // Frames the device has taken since it was opened: more than its buffer holds means it
    // has played some, and only then does the back-off start over.
    std::size_t framesTakenSinceOpen_ = 0;
    std::chrono::milliseconds retryDelay_;
    // One log line an outage: set by the first failure, cleared once frames play again.
    bool failureReported_ = false;
};

} // namespace tone
