#pragma once

#include "WakeSignal.h"
#include "WaveImage.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>

namespace tone {

// The thread that loops a WAVE image's data chunk into an ALSA PCM.
//
// Requests (play, setPackedVolume) come from one other thread, the caller's. play hands the
// image over under a short lock and bumps a generation count; the playback thread converts
// each period out of the image while holding the same lock, then writes the period to ALSA
// without it. So once play returns, the image it replaced is never read again, and the
// caller may free it. play blocks only while the thread converts one period (microseconds).
// While the device's buffer is full the thread waits in poll() both for room and for a wake
// signal that every request raises, so a new tone or a stop is acted on at once, however
// long the periods are. The volume is an atomic read once per period; a change is heard
// once what is queued has played (one buffer at most), except that silence queued while the
// volume was 0 is thrown away as soon as the volume comes up, so that a tone started muted
// sounds the moment it is unmuted.
//
// Every ALSA call happens on the playback thread: it opens the PCM when there is something
// to play, discards what is queued when the image changes, and closes the PCM when told to
// stop. Without an image it parks on a condition variable with no PCM open. When the device
// cannot be opened or fails, it waits before trying again (100 ms, doubling up to 2 s); a new
// request or the destructor cuts that wait short.
//
// The destructor asks the thread to stop, wakes it and joins it; it blocks at most as long
// as the ALSA call under way takes (microseconds, normally).
class AlsaPlaybackThread
{
public:
    static constexpr std::uint32_t kFullVolume = 0xFFFFFFFF;

    explicit AlsaPlaybackThread(std::string deviceName);
    ~AlsaPlaybackThread();
    AlsaPlaybackThread(const AlsaPlaybackThread&) = delete;
    AlsaPlaybackThread& operator=(const AlsaPlaybackThread&) = delete;

    // Loops `image` from its first frame from now on, or stops when it is empty. The image's
    // data must stay alive and unchanged until the next call has returned.
    void play(std::optional<WaveImage> image);

    std::uint32_t packedVolume() const { return packedVolume_.load(std::memory_order_relaxed); }
    void setPackedVolume(std::uint32_t packedVolume)
    {
        // Coming up from silence, the thread throws the silence it has queued away at once.
        if (packedVolume_.exchange(packedVolume, std::memory_order_relaxed) == 0 &&
            packedVolume != 0)
            wakeSignal_.raise();
    }

private:
    struct State;

    void run(std::stop_token stopToken);
    // Whether the volume has come up while everything queued in the PCM is silence, which is
    // then thrown away so that the sound starts at once rather than a buffer's length later.
    bool unmutedOverQueuedSilence(const State& state) const;
    // Each of these runs on the playback thread with `lock` held and may release it while
    // calling ALSA. They return with the lock held again.
    void closeOutput(State& state, std::unique_lock<std::mutex>& lock);
    void openOutput(State& state, std::unique_lock<std::mutex>& lock, std::stop_token stop);
    void discardQueued(State& state, std::unique_lock<std::mutex>& lock, std::stop_token stop);
    void playPeriod(State& state, std::unique_lock<std::mutex>& lock, std::stop_token stop);
    void waitBeforeRetry(State& state, std::unique_lock<std::mutex>& lock, std::stop_token stop);
    // Logs the first failure after playback last worked; retries stay quiet.
    void reportFailure(State& state, const char* what, int error) const;

    const std::string deviceName_;
    std::atomic<std::uint32_t> packedVolume_{kFullVolume};

    // Guards the request: what to play and its generation.
    std::mutex mutex_;
    std::condition_variable_any wake_;
    // Raised with every request, so that a wait for room in the device ends at once.
    WakeSignal wakeSignal_;
    std::optional<WaveImage> image_;
    std::uint64_t generation_ = 0;

    // Declared last: the thread is joined before anything it reads goes away.
    std::jthread thread_;
};

} // namespace tone
