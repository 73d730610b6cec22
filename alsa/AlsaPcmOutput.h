#pragma once

#include "LoopRenderer.h"
#include "WakeSignal.h"

#include <chrono>
#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include <poll.h>

typedef struct _snd_pcm snd_pcm_t;

namespace tone {

// An ALSA playback PCM opened for interleaved stereo 16-bit little-endian frames at one
// sample rate, with a short buffer so that what is written is heard soon. Not thread-safe:
// the playback thread creates, uses and destroys it, and no other thread touches ALSA.
class AlsaPcmOutput
{
public:
    // The buffer the device is asked for, and the periods it is split into. Desktop sound
    // servers reached through ALSA grant buffers of seconds unless asked for less. The
    // writer wakes about once a period; each wake-up costs about 45 µs of CPU in ALSA's
    // PulseAudio bridge, so periods are kept long enough for a looping tone to cost under
    // 0.2 % of a core. A new tone does not wait for a period to end (see write), and a volume
    // change is heard once what is queued has played, within one buffer.
    static constexpr std::chrono::microseconds kRequestedBufferTime{90'000};
    static constexpr std::chrono::microseconds kRequestedPeriodTime{30'000};

    // What a write came to: how many frames the device took, and whether it finished, was
    // cut short by the wake signal, or failed with ALSA's negative error code (the PCM can
    // no longer be used, the device is gone for instance, and must be reopened).
    struct WriteResult
    {
        std::size_t framesWritten = 0;
        bool interrupted = false;
        int error = 0;
    };

    // Opens and configures the PCM `deviceName` for `sampleRate` frames per second. On
    // failure returns nothing and sets `error` to ALSA's negative error code.
    static std::unique_ptr<AlsaPcmOutput> Open(const std::string& deviceName, unsigned sampleRate,
                                               int& error);

    AlsaPcmOutput(const AlsaPcmOutput&) = delete;
    AlsaPcmOutput& operator=(const AlsaPcmOutput&) = delete;
    // Discards whatever is still queued and closes the PCM.
    ~AlsaPcmOutput();

    unsigned sampleRate() const { return sampleRate_; }
    // The frames between two wake-ups of the writer, as the device granted them.
    std::size_t periodFrames() const { return periodFrames_; }

    // Writes all of `frames`, waiting while the device's buffer is full, unless `wake` is
    // raised meanwhile: then it clears the signal and returns at once with the frames not
    // yet written. Recovers from underruns and from suspend on its own.
    WriteResult write(std::span<const StereoFrame> frames, WakeSignal& wake);

    // Throws away the frames queued but not yet played, so that what is written next is
    // heard at once. Returns 0 or ALSA's negative error code.
    int discardQueued();

private:
    // Waits until the device has room for a period, the wake signal is raised (returns
    // true), or the device stops taking frames for kStallTimeout (sets `error`).
    bool waitForRoom(WakeSignal& wake, int& error);

    AlsaPcmOutput(snd_pcm_t* pcm, unsigned sampleRate, std::size_t periodFrames)
        : pcm_(pcm), sampleRate_(sampleRate), periodFrames_(periodFrames)
    {
    }

    // A device that takes no frame for this long is taken as lost.
    static constexpr std::chrono::milliseconds kStallTimeout{2000};

    snd_pcm_t* pcm_;
    unsigned sampleRate_;
    std::size_t periodFrames_;
    std::vector<pollfd> pollDescriptors_;
};

} // namespace tone
