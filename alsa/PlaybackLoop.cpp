#include "PlaybackLoop.h"

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

PlaybackLoop::PlaybackLoop(std::shared_ptr<PlaybackRequests> requests)
    : requests_(std::move(requests)), retryDelay_(requests_->timing.firstRetryDelay)
{
}

void PlaybackLoop::run()
{
    PlaybackRequests& r = *requests_;
    Lock lock(r.mutex);
    while (!r.stopping) {
        if (generation_ != r.generation) {
            generation_ = r.generation;
            position_ = 0;
            unwritten_ = {};
            queuedIsStale_ = device_ != nullptr;
        }
        if (!r.image) {
            if (device_)
                closeDevice(lock);
            else
                r.changed.wait(lock, [&] { return r.generation != generation_ || r.stopping; });
        } else if (device_ && device_->sampleRate() != r.image->sampleRate) {
            // The rate is fixed once the device is configured: another one needs a new device.
            closeDevice(lock);
        } else if (!device_) {
            openDevice(lock);
        } else if (queuedIsStale_ || unmutedOverQueuedSilence()) {
            discardQueued(lock);
        } else {
            playPeriod(lock);
        }
    }
    closeDevice(lock);
    r.finished = true;
    r.changed.notify_all();
}

bool PlaybackLoop::unmutedOverQueuedSilence() const
{
    return silenceQueued_ && !soundQueued_ &&
           requests_->packedVolume.load(std::memory_order_relaxed) != 0;
}

void PlaybackLoop::closeDevice(Lock& lock)
{
    std::unique_ptr<PcmDevice> device = std::move(device_);
    unwritten_ = {};
    soundQueued_ = silenceQueued_ = false;
    if (!device)
        return;
    lock.unlock();
    device.reset();
    lock.lock();
}

void PlaybackLoop::openDevice(Lock& lock)
{
    const unsigned sampleRate = requests_->image->sampleRate;
    lock.unlock();
    // The handler is global to alsa-lib, and this thread is the program's only ALSA user.
    snd_lib_error_set_handler(failureReported_ ? IgnoreAlsaError : nullptr);
    int error = 0;
    std::unique_ptr<PcmDevice> device = requests_->open(sampleRate, error);
    lock.lock();
    if (!device) {
        failed(lock, "Cannot open sound output", error);
        return;
    }
    device_ = std::move(device);
    period_.resize(device_->periodFrames());
    queuedIsStale_ = false;
    soundQueued_ = silenceQueued_ = false;
    framesTakenSinceOpen_ = 0;
}

void PlaybackLoop::discardQueued(Lock& lock)
{
    lock.unlock();
    const int error = device_->discardQueued();
    lock.lock();
    queuedIsStale_ = false;
    soundQueued_ = silenceQueued_ = false;
    // What was converted but not written goes too: it was stale or silent.
    unwritten_ = {};
    if (error < 0)
        failed(lock, "Sound output failed", error);
}

void PlaybackLoop::playPeriod(Lock& lock)
{
    PlaybackRequests& r = *requests_;
    // The image is read only here, with the lock held, so a request that replaces it waits
    // until this period is converted and the image is never touched after the request.
    if (unwritten_.empty()) {
        const std::uint32_t volume = r.packedVolume.load(std::memory_order_relaxed);
        position_ = RenderLoop(*r.image, position_, StereoGain::FromPacked(volume), period_);
        unwritten_ = period_;
        (volume == 0 ? silenceQueued_ : soundQueued_) = true;
    }
    lock.unlock();
    // Returns early when a request raises the wake signal; the loop then takes the request
    // up at once, or goes on with the rest of this period if nothing changed.
    const PcmWriteResult result =
        WriteFrames(*device_, unwritten_, r.wakeSignal, r.timing.stallTimeout);
    lock.lock();
    unwritten_ = unwritten_.subspan(result.framesWritten);
    framesTakenSinceOpen_ += result.framesWritten;
    if (result.error < 0) {
        failed(lock, "Sound output failed", result.error);
        return;
    }
    if (framesTakenSinceOpen_ > device_->bufferFrames()) {
        retryDelay_ = r.timing.firstRetryDelay;
        failureReported_ = false;
    }
}

void PlaybackLoop::failed(Lock& lock, const char* what, int error)
{
    PlaybackRequests& r = *requests_;
    if (r.stopping)
        return;
    if (!failureReported_)
        qWarning("%s \"%s\": %s", what, r.deviceName.c_str(), snd_strerror(error));
    failureReported_ = true;
    closeDevice(lock);
    waitBeforeRetry(lock);
}

void PlaybackLoop::waitBeforeRetry(Lock& lock)
{
    PlaybackRequests& r = *requests_;
    const std::uint64_t failedGeneration = generation_;
    r.changed.wait_for(lock, retryDelay_,
                       [&] { return r.generation != failedGeneration || r.stopping; });
    retryDelay_ = std::min(retryDelay_ * 2, r.timing.longestRetryDelay);
}

} // namespace tone
