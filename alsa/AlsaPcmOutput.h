#pragma once

#include "PcmDevice.h"

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include <poll.h>

typedef struct _snd_pcm snd_pcm_t;

namespace tone {

// An ALSA playback PCM opened without blocking for interleaved stereo 16-bit little-endian
// frames at one sample rate, with a short buffer so that what is written is heard soon.
class AlsaPcmOutput final : public PcmDevice
{
public:
    // The buffer the device is asked for, and the periods it is split into. Desktop sound
    // servers reached through ALSA grant buffers of seconds unless asked for less. What is
    // queued cannot be taken back without a click, so a stop or a volume step is heard only
    // after it, plus a ramp (under 6 ms for all but 80 of the program's 14,496 tones, at
    // most 17.5 ms): the buffer is kept short enough for both to be heard within 100 ms.
    // The writer wakes about once a period, which sets the CPU cost of a looping tone, and
    // ALSA's PulseAudio bridge grants no fewer than three periods a buffer. The measurements
    // that chose these values are in bench/buffer-options.md.
    static constexpr std::chrono::microseconds kRequestedBufferTime{87'000};
    static constexpr std::chrono::microseconds kRequestedPeriodTime{29'000};

    // Opens and configures the PCM `deviceName` for `sampleRate` frames per second. On
    // failure returns nothing and sets `error` to ALSA's negative error code.
    static std::unique_ptr<AlsaPcmOutput> Open(const std::string& deviceName, unsigned sampleRate,
                                               int& error);

    AlsaPcmOutput(const AlsaPcmOutput&) = delete;
    AlsaPcmOutput& operator=(const AlsaPcmOutput&) = delete;
    // Discards whatever is still queued and closes the PCM. ALSA's PulseAudio bridge waits
    // for the server here without a timeout.
    ~AlsaPcmOutput() override;

    unsigned sampleRate() const override { return sampleRate_; }
    std::size_t periodFrames() const override { return periodFrames_; }
    std::size_t bufferFrames() const override { return bufferFrames_; }

    long write(std::span<const StereoFrame> frames) override;
    PcmWait wait(int wakeDescriptor, std::chrono::milliseconds timeout) override;
    int prepare() override;
    int resume() override;

private:
    AlsaPcmOutput(snd_pcm_t* pcm, unsigned sampleRate, std::size_t periodFrames,
                  std::size_t bufferFrames)
        : pcm_(pcm), sampleRate_(sampleRate), periodFrames_(periodFrames),
          bufferFrames_(bufferFrames)
    {
    }

    snd_pcm_t* pcm_;
    unsigned sampleRate_;
    std::size_t periodFrames_;
    std::size_t bufferFrames_;
    std::vector<pollfd> pollDescriptors_;
};

// Opens AlsaPcmOutputs of the PCM `deviceName`.
PcmDeviceOpener AlsaPcmOpener(const std::string& deviceName);

} // namespace tone
