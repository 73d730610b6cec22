#pragma once

#include "PcmDevice.h"
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

// How long the playback thread waits for a device before giving up on it, and how long it
// pauses before it tries a failed device again.
struct PlaybackTiming
{
    // A device that takes no frame for this long is taken as lost.
    std::chrono::milliseconds stallTimeout{2000};
    // The pause after the device first fails, doubled after every failure up to the last
    // figure, until the device has played frames again.
    std::chrono::milliseconds firstRetryDelay{100};
    std::chrono::milliseconds longestRetryDelay{2000};
    // The silence written before the first sound in an empty device: a sound server that
    // starts a stream, or restarts it after a discard, may begin playing it a few frames in
    // (PulseAudio rewinds its sink to mix the stream in at once), and those frames must be
    // silent, or the tone would start in the middle of its wave.
    std::chrono::milliseconds leadIn{10};
};

// What the owner of the playback thread and the thread share. The thread holds it by a
// shared pointer of its own, so that it stays valid for a thread left behind in a call that
// does not return (see AlsaPlaybackThread).
struct PlaybackRequests
{
    static constexpr std::uint32_t kFullVolume = 0xFFFFFFFF;

    PlaybackRequests(std::string deviceName, PcmDeviceOpener open, PlaybackTiming timing)
        : deviceName(std::move(deviceName)), open(std::move(open)), timing(timing)
    {
    }

    // Set before the thread starts, read-only afterwards.
    const std::string deviceName; // for log lines
    const PcmDeviceOpener open;
    const PlaybackTiming timing;

    std::atomic<std::uint32_t> packedVolume{kFullVolume};
    // Raised with every request, so that a wait for room in the device ends at once.
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
