#pragma once

#include "StereoGain.h"
#include "WakeSignal.h"
#include "WaveImage.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

namespace tone {

// How long a playback thread waits for its output before giving up on it, how long it pauses
// before it tries a failed output again, and how it starts and unmutes a tone.
struct PlaybackTiming
{
    // An output that takes no frame for this long is taken as lost, and one that does not
    // open in this time is given up.
    std::chrono::milliseconds stallTimeout{2000};
    // The pause after the output first fails, doubled after every failure up to the last
    // figure, until an output has taken more frames than it holds (PlaybackOutput::hasPlayed)
    // and so has played some.
    std::chrono::milliseconds firstRetryDelay{100};
    std::chrono::milliseconds longestRetryDelay{2000};
    // The silence before the first sound in an empty output (ToneShaper).
    std::chrono::milliseconds leadIn{10};
    // A volume that comes up from 0 is heard only once it has stood this long. The engine
    // starts two tones in a row (Sound chosen from the menu, a string preset that changes
    // note and octave) by unmuting the first and muting it again while it builds the
    // second image, under half a millisecond later (BuildImage/Fast in tone_bench: 0.24 to
    // 0.45 ms an image): the first must not be heard at all.
    std::chrono::milliseconds unmuteSettle{5};
};

// What the owner of a playback thread and the thread share. The thread holds it by a shared
// pointer of its own, so that it stays valid for a thread left behind in a call that does
// not return (see PlaybackThread).
struct PlaybackRequests
{
    using Clock = std::chrono::steady_clock;
    static constexpr std::uint32_t kFullVolume = 0xFFFFFFFF;

    PlaybackRequests(std::string outputName, PlaybackTiming timing)
        : outputName(std::move(outputName)), timing(timing)
    {
    }

    // Set before the thread starts, read-only afterwards.
    const std::string outputName; // for log lines
    const PlaybackTiming timing;

    // Sets the volume; only the owner calls it.
    void setPackedVolume(std::uint32_t volume)
    {
        if (packedVolume.load(std::memory_order_relaxed) == 0 && volume != 0)
            unmutedAt.store(Clock::now().time_since_epoch().count(), std::memory_order_relaxed);
        packedVolume.store(volume, std::memory_order_release);
    }
    // The level to make frames at, `now`: the volume asked for, but silence while the volume
    // has stood up from 0 for less than timing.unmuteSettle.
    StereoGain levelAt(Clock::time_point now) const
    {
        const std::uint32_t volume = packedVolume.load(std::memory_order_acquire);
        const Clock::time_point unmuted{Clock::duration(unmutedAt.load(std::memory_order_relaxed))};
        if (volume != 0 && now - unmuted < timing.unmuteSettle)
            return {0, 0};
        return StereoGain::FromPacked(volume);
    }
    // When levelAt() will come up to the volume asked for without a new request: the moment a
    // volume that is still settling has stood for timing.unmuteSettle.
    std::optional<Clock::time_point> levelSettlesAt(Clock::time_point now) const
    {
        const std::uint32_t volume = packedVolume.load(std::memory_order_acquire);
        const Clock::time_point settled =
            Clock::time_point{Clock::duration(unmutedAt.load(std::memory_order_relaxed))} +
            timing.unmuteSettle;
        if (volume != 0 && now < settled)
            return settled;
        return std::nullopt;
    }

    std::atomic<std::uint32_t> packedVolume{kFullVolume};
    // When the volume last came up from 0, in Clock's ticks since its epoch.
    std::atomic<Clock::rep> unmutedAt{0};
    // Raised with every request and every change of volume, so that a wait for the output
    // ends at once.
    WakeSignal wakeSignal;

    std::mutex mutex;
    // Notified with every request, and when the thread has finished.
    std::condition_variable changed;
    // Guarded by `mutex`: what to play (nothing: stop), counted by requests, and whether
    // the owner is going away.
    std::optional<WaveImage> image;
    std::uint64_t generation = 0;
    bool stopping = false;
    bool finished = false;
};

} // namespace tone
