#pragma once

#include "PcmDevice.h"
#include "playback/PlaybackOutput.h"
#include "playback/PlaybackThread.h"

#include <memory>
#include <string>
#include <vector>

namespace tone {

// A PCM (ALSA's, or a test's scripted device) as the playback loop's output. What a PCM has
// queued cannot be taken back through the sound servers' ALSA bridges without a click, so it
// replaces nothing: every change is heard after what it holds, which is why its buffer is
// kept short (AlsaPcmOutput). Once it has been filled, it asks for a period only when it has
// room for one, so that each period carries the volume of that moment; the period waits in
// `pending_` until the device has taken it all (WriteFrames).
class PcmDeviceOutput final : public PlaybackOutput
{
public:
    // `name` names the device in log lines; a device that takes no frame for `stallTimeout`
    // has failed.
    PcmDeviceOutput(std::unique_ptr<PcmDevice> device, std::string name,
                    std::chrono::milliseconds stallTimeout);

    Status status() const override { return error_ < 0 ? Status::Failed : Status::Open; }
    std::string failure() const override;
    unsigned sampleRate() const override { return device_->sampleRate(); }

    std::size_t wanted() override;
    void write(std::span<const StereoFrame> frames) override;
    bool hasPlayed() const override { return written_ > device_->bufferFrames(); }
    std::size_t stillToBeHeard() override { return pending_.size() + device_->bufferFrames(); }

    std::size_t longestReplace() const override { return 0; }
    std::size_t replaceable() override { return 0; }
    void replace(std::size_t) override {}

    void wait(WakeSignal& wake, std::optional<Clock::time_point> until) override;

private:
    const std::unique_ptr<PcmDevice> device_;
    const std::string name_;
    const std::chrono::milliseconds stallTimeout_;
    std::vector<StereoFrame> pending_;
    // What the device has taken since it was opened.
    std::size_t written_ = 0;
    // Whether a wait has found room (or left the deciding to the next write).
    bool roomFound_ = false;
    int error_ = 0;
};

// Opens PcmDeviceOutputs on the devices that `open` gives; `name` names them in log lines.
OutputOpener PcmDeviceOutputs(PcmDeviceOpener open, std::string name,
                              std::chrono::milliseconds stallTimeout);

// What a PlaybackThread runs to play into the devices that `open` gives.
PlaybackThread::Loop AlsaLoop(PcmDeviceOpener open);

} // namespace tone
