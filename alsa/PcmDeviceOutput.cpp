#include "PcmDeviceOutput.h"

#include "PcmWriter.h"
#include "playback/PlaybackLoop.h"

#include <alsa/asoundlib.h>

namespace tone {

namespace {

// Takes alsa-lib's own error messages while a failing device is retried: alsa-lib prints
// them to stderr on every attempt, and the failure has been logged once already.
void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...)
{
}

std::string Failure(const char* what, const std::string& name, int error)
{
    return std::string(what) + " \"" + name + "\": " + snd_strerror(error);
}

} // namespace

PcmDeviceOutput::PcmDeviceOutput(std::unique_ptr<PcmDevice> device, std::string name,
                                 std::chrono::milliseconds stallTimeout)
    : device_(std::move(device)), name_(std::move(name)), stallTimeout_(stallTimeout)
{
}

std::string PcmDeviceOutput::failure() const
{
    return Failure("Sound output failed", name_, error_);
}

std::size_t PcmDeviceOutput::wanted()
{
    if (!pending_.empty() || error_ < 0)
        return 0;
    return written_ < device_->bufferFrames() || roomFound_ ? device_->periodFrames() : 0;
}

void PcmDeviceOutput::write(std::span<const StereoFrame> frames)
{
    pending_.assign(frames.begin(), frames.end());
    roomFound_ = false;
}

void PcmDeviceOutput::wait(WakeSignal& wake, std::optional<Clock::time_point> until)
{
    if (!pending_.empty()) {
        // Returns early when a request raises the wake signal; the loop then looks at the
        // request and the next wait writes the rest.
        const PcmWriteResult result = WriteFrames(*device_, pending_, wake, stallTimeout_);
        pending_.erase(pending_.begin(),
                       pending_.begin() + static_cast<std::ptrdiff_t>(result.framesWritten));
        written_ += result.framesWritten;
        error_ = result.error;
        return;
    }
    if (written_ < device_->bufferFrames())
        return;
    std::chrono::milliseconds timeout = stallTimeout_;
    if (until)
        timeout = std::clamp(std::chrono::ceil<std::chrono::milliseconds>(*until - Clock::now()),
                             std::chrono::milliseconds::zero(), stallTimeout_);
    const PcmWait waited = device_->wait(wake.descriptor(), timeout);
    // The loop's own time came first, or a request: the room is looked for again.
    if (waited == PcmWait::Woken || (waited == PcmWait::TimedOut && timeout < stallTimeout_))
        return;
    // A wake-up without room, or a wait that timed out, leaves the rest of the waiting to
    // the write, which alone decides, by the time since the device last took frames, that
    // it has stalled.
    roomFound_ = true;
}

OutputOpener PcmDeviceOutputs(PcmDeviceOpener open, std::string name,
                              std::chrono::milliseconds stallTimeout)
{
    return [open = std::move(open), name = std::move(name), stallTimeout,
            failedBefore = false](unsigned sampleRate,
                                  std::string& failure) mutable -> std::unique_ptr<PlaybackOutput> {
        // The handler is global to alsa-lib, and this thread is the program's only ALSA user.
        snd_lib_error_set_handler(failedBefore ? IgnoreAlsaError : nullptr);
        int error = 0;
        std::unique_ptr<PcmDevice> device = open(sampleRate, error);
        failedBefore = !device;
        if (!device) {
            failure = Failure("Cannot open sound output", name, error);
            return nullptr;
        }
        return std::make_unique<PcmDeviceOutput>(std::move(device), name, stallTimeout);
    };
}

PlaybackThread::Loop AlsaLoop(PcmDeviceOpener open)
{
    return [open = std::move(open)](std::shared_ptr<PlaybackRequests> requests) {
        OutputOpener outputs =
            PcmDeviceOutputs(open, requests->outputName, requests->timing.stallTimeout);
        PlaybackLoop(std::move(requests), std::move(outputs)).run();
    };
}

} // namespace tone
