#include "AlsaPlaybackLoop.h"

#include "PcmWriter.h"

#include <QtGlobal>

#include <alsa/asoundlib.h>

#include <algorithm>

namespace tone {

namespace {

// Takes alsa-lib's own error messages while a failing device is retried: alsa-lib prints
// them to stderr on every attempt, and the failure has been logged once already.
void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...)
{
}

} // namespace

PlaybackThread::Loop AlsaLoop(PcmDeviceOpener open)
{
    return [open = std::move(open)](std::shared_ptr<PlaybackRequests> requests) {
        AlsaPlaybackLoop(std::move(requests), open).run();
    };
}

AlsaPlaybackLoop::AlsaPlaybackLoop(std::shared_ptr<PlaybackRequests> requests,
                                   PcmDeviceOpener open)
    : requests_(std::move(requests)), open_(std::move(open)), shaper_(requests_->timing.leadIn),
      retryDelay_(requests_->timing.firstRetryDelay)
{
}

void AlsaPlaybackLoop::run()
{
    PlaybackRequests& r = *requests_;
    Lock lock(r.mutex);
    while (phase_ != Phase::Finished) {
        takeUpRequest();
        switch (phase_) {
        case Phase::Idle:
            idle(lock);
            break;
        case Phase::Playing:
            if (deviceFits())
                feed(lock);
            else
                phase_ = Phase::WindingDown;
            break;
        case Phase::WindingDown:
            if (deviceFits())
                phase_ = Phase::Playing;
            else
                windDown(lock);
            break;
        case Phase::BackingOff:
            backOff(lock);
            break;
        case Phase::Finished:
            break;
        }
    }
    r.finished = true;
    r.changed.notify_all();
}

void AlsaPlaybackLoop::takeUpRequest()
{
    const PlaybackRequests& r = *requests_;
    if (generation_ == r.generation)
        return;
    generation_ = r.generation;
    shaper_.play(r.image);
}

bool AlsaPlaybackLoop::deviceFits() const
{
    const std::optional<WaveImage>& image = shaper_.image();
    return image && !requests_->stopping && device_->sampleRate() == image->sampleRate;
}

void AlsaPlaybackLoop::idle(Lock& lock)
{
    PlaybackRequests& r = *requests_;
    if (r.stopping)
        phase_ = Phase::Finished;
    else if (!shaper_.image())
        r.changed.wait(lock, [&] { return r.generation != generation_ || r.stopping; });
    else
        openDevice(lock);
}

void AlsaPlaybackLoop::feed(Lock& lock)
{
    if (!pending_.empty()) {
        writePending(lock);
        return;
    }
    // A request that came meanwhile is taken up before the period is made.
    if (written_ >= device_->bufferFrames() &&
        (!waitForRoom(lock) || generation_ != requests_->generation))
        return;
    output_.resize(device_->periodFrames());
    shaper_.render(output_, requests_->levelAt(PlaybackRequests::Clock::now()));
    pending_ = output_;
}

void AlsaPlaybackLoop::windDown(Lock& lock)
{
    if (!pending_.empty()) {
        writePending(lock);
    } else if (!queuedIsSilent()) {
        output_.resize(device_->periodFrames());
        shaper_.renderFadeOut(output_);
        pending_ = output_;
    } else {
        closeDevice(lock);
        phase_ = requests_->stopping ? Phase::Finished : Phase::Idle;
    }
}

void AlsaPlaybackLoop::backOff(Lock& lock)
{
    PlaybackRequests& r = *requests_;
    if (!r.stopping) {
        const std::uint64_t failedGeneration = generation_;
        r.changed.wait_for(lock, retryDelay_,
                           [&] { return r.generation != failedGeneration || r.stopping; });
        retryDelay_ = std::min(retryDelay_ * 2, r.timing.longestRetryDelay);
    }
    phase_ = r.stopping ? Phase::Finished : Phase::Idle;
}

void AlsaPlaybackLoop::openDevice(Lock& lock)
{
    const unsigned sampleRate = shaper_.image()->sampleRate;
    lock.unlock();
    // The handler is global to alsa-lib, and this thread is the program's only ALSA user.
    snd_lib_error_set_handler(failureLogged_ ? IgnoreAlsaError : nullptr);
    int error = 0;
    std::unique_ptr<PcmDevice> device = open_(sampleRate, error);
    lock.lock();
    if (!device) {
        failed(lock, "Cannot open sound output", error);
        return;
    }
    device_ = std::move(device);
    written_ = 0;
    shaper_.outputEmptied();
    phase_ = Phase::Playing;
}

void AlsaPlaybackLoop::closeDevice(Lock& lock)
{
    std::unique_ptr<PcmDevice> device = std::move(device_);
    pending_ = {};
    if (!device)
        return;
    lock.unlock();
    device.reset();
    lock.lock();
}

bool AlsaPlaybackLoop::waitForRoom(Lock& lock)
{
    PlaybackRequests& r = *requests_;
    lock.unlock();
    const PcmWait waited = device_->wait(r.wakeSignal.descriptor(), r.timing.stallTimeout);
    if (waited == PcmWait::Woken)
        r.wakeSignal.clear();
    lock.lock();
    return waited != PcmWait::Woken;
}

void AlsaPlaybackLoop::writePending(Lock& lock)
{
    PlaybackRequests& r = *requests_;
    lock.unlock();
    // Returns early when a request raises the wake signal; the loop then takes the request
    // up and writes the rest.
    const PcmWriteResult result =
        WriteFrames(*device_, pending_, r.wakeSignal, r.timing.stallTimeout);
    lock.lock();
    pending_ = pending_.subspan(result.framesWritten);
    written_ += result.framesWritten;
    if (result.error < 0) {
        failed(lock, "Sound output failed", result.error);
        return;
    }
    if (written_ > device_->bufferFrames()) {
        retryDelay_ = r.timing.firstRetryDelay;
        failureLogged_ = false;
    }
}

bool AlsaPlaybackLoop::queuedIsSilent() const
{
    return shaper_.endsInSilence(pending_.size() + device_->bufferFrames());
}

void AlsaPlaybackLoop::failed(Lock& lock, const char* what, int error)
{
    PlaybackRequests& r = *requests_;
    if (!failureLogged_ && !r.stopping)
        qWarning("%s \"%s\": %s", what, r.outputName.c_str(), snd_strerror(error));
    failureLogged_ = true;
    closeDevice(lock);
    phase_ = r.stopping ? Phase::Finished : Phase::BackingOff;
}

} // namespace tone
