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

bool IsSilent(const StereoFrame& frame)
{
    return frame.left == 0 && frame.right == 0;
}

std::size_t TrailingSilence(std::span<const StereoFrame> frames)
{
    const auto loud = std::find_if_not(frames.rbegin(), frames.rend(), IsSilent);
    return static_cast<std::size_t>(loud - frames.rbegin());
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
    while (true) {
        if (generation_ != r.generation) {
            takeUpRequest();
            continue;
        }
        const bool deviceFits =
            r.image && !r.stopping && device_ && device_->sampleRate() == r.image->sampleRate;
        if (device_ && !deviceFits) {
            // Nothing to play, going away, or another rate, which needs a new device.
            windDown(lock);
        } else if (r.stopping) {
            break;
        } else if (!r.image) {
            r.changed.wait(lock, [&] { return r.generation != generation_ || r.stopping; });
        } else if (!device_) {
            openDevice(lock);
        } else if (unmutedOverQueuedSilence(lock)) {
            restartOverSilence(lock);
        } else if (!pending_.empty()) {
            writePending(lock);
        } else if (!roomAwaited_ && framesSinceEmpty_ >= device_->bufferFrames()) {
            waitForRoom(lock);
        } else {
            renderPeriod();
        }
    }
    r.finished = true;
    r.changed.notify_all();
}

StereoGain PlaybackLoop::targetGain() const
{
    return StereoGain::FromPacked(requests_->packedVolume.load(std::memory_order_relaxed));
}

bool PlaybackLoop::queuedIsSilent(std::size_t queued) const
{
    const bool pendingSilent = TrailingSilence(pending_) == pending_.size();
    return pendingSilent && trailingSilence_ >= std::min(queued, framesSinceEmpty_);
}

bool PlaybackLoop::queuedIsSilent() const
{
    return queuedIsSilent(device_ ? device_->bufferFrames() : 0);
}

bool PlaybackLoop::unmutedOverQueuedSilence(Lock& lock)
{
    const StereoGain target = targetGain();
    if (framesSinceEmpty_ == 0 || !ramp_.silent() || (target.left == 0 && target.right == 0) ||
        TrailingSilence(pending_) != pending_.size())
        return false;
    // The device may hold less than a buffer: the silence written may be all it holds.
    lock.unlock();
    const std::size_t queued = device_->queuedFrames();
    lock.lock();
    return queuedIsSilent(queued);
}

void PlaybackLoop::takeUpRequest()
{
    PlaybackRequests& r = *requests_;
    generation_ = r.generation;
    position_ = 0;
    // Sound queued fades out. Silence queued alone is thrown away as soon as there is a
    // tone to hear (unmutedOverQueuedSilence).
    if (device_ && !queuedIsSilent())
        fadeOut();
    ramp_.jumpTo({0, 0});
    // The image is read here, under the lock, like every other read of it.
    if (r.image)
        shape_ = RampShape::For(*r.image);
    mayJump_ = r.image && shape_.startsAtMiddle;
}

void PlaybackLoop::fadeOut()
{
    // The frames that were to follow what the device has taken, at full level: the fade
    // continues the old tone's wave down to silence.
    std::span<const StereoFrame> source;
    if (pendingIsPeriod_ || pending_.empty())
        source = std::span<const StereoFrame>(unity_).subspan(std::min(
            static_cast<std::size_t>(std::max<std::ptrdiff_t>(unityWritten_, 0)), unity_.size()));
    if (!pendingIsPeriod_ && !pending_.empty()) {
        // A fade or closing silence is under way already and ends silent: it is kept.
        return;
    }
    const StereoGain level = ramp_.current();
    const auto needed = static_cast<std::size_t>(
        (std::max(level.left, level.right) + shape_.step - 1) / shape_.step);
    fade_.resize(std::min(needed, source.size()));
    ramp_.apply(source.first(fade_.size()), fade_, {0, 0}, shape_.step);
    pending_ = fade_;
    pendingIsPeriod_ = false;
}

void PlaybackLoop::windDown(Lock& lock)
{
    if (!pending_.empty()) {
        writePending(lock);
    } else if (!queuedIsSilent()) {
        // Closing throws away what is queued: silence goes after the last sound first.
        output_.assign(device_->periodFrames(), StereoFrame{});
        pending_ = output_;
        pendingIsPeriod_ = false;
    } else {
        closeDevice(lock);
    }
}

void PlaybackLoop::closeDevice(Lock& lock)
{
    std::unique_ptr<PcmDevice> device = std::move(device_);
    pending_ = {};
    pendingIsPeriod_ = false;
    unity_.clear();
    ramp_.jumpTo({0, 0});
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
    framesSinceEmpty_ = trailingSilence_ = framesTakenSinceOpen_ = 0;
    // A device opened again in the middle of a tone fades it in.
    mayJump_ = shape_.startsAtMiddle && position_ == 0;
}

void PlaybackLoop::discardQueued(Lock& lock)
{
    pending_ = {};
    pendingIsPeriod_ = false;
    unity_.clear();
    framesSinceEmpty_ = trailingSilence_ = 0;
    lock.unlock();
    const int error = device_->discardQueued();
    lock.lock();
    if (error < 0)
        failed(lock, "Sound output failed", error);
}

void PlaybackLoop::restartOverSilence(Lock& lock)
{
    discardQueued(lock);
    // Silence went before, so an image that starts at the middle level starts over at once.
    if (shape_.startsAtMiddle) {
        position_ = 0;
        mayJump_ = true;
    }
}

void PlaybackLoop::waitForRoom(Lock& lock)
{
    PlaybackRequests& r = *requests_;
    lock.unlock();
    const PcmWait waited = device_->wait(r.wakeSignal.descriptor(), r.timing.stallTimeout);
    if (waited == PcmWait::Woken)
        r.wakeSignal.clear();
    lock.lock();
    // A request that woke the wait is taken up first, and then the wait starts over. Anything
    // else leaves the rest of the waiting to the write, which alone decides, by the time
    // since the device last took frames, that it has stalled.
    roomAwaited_ = waited != PcmWait::Woken;
}

void PlaybackLoop::renderPeriod()
{
    PlaybackRequests& r = *requests_;
    const StereoGain target = targetGain();
    if (mayJump_)
        ramp_.jumpTo(target);
    mayJump_ = false;
    roomAwaited_ = false;
    // The image is read only here and in takeUpRequest, with the lock held, so a request
    // that replaces it waits until this period is converted, and the image is never touched
    // after the request.
    const std::size_t period = device_->periodFrames();
    unity_.resize(period + shape_.fullRampFrames());
    RenderLoop(*r.image, position_, StereoGain{}, unity_);
    position_ = (position_ + period) % r.image->frameCount();
    // The first sound in an empty device comes after a little silence.
    const std::size_t leadIn =
        framesSinceEmpty_ == 0 ? device_->sampleRate() * r.timing.leadIn.count() / 1000 : 0;
    output_.assign(leadIn + period, StereoFrame{});
    ramp_.apply(std::span(unity_).first(period), std::span(output_).subspan(leadIn), target,
                shape_.step);
    pending_ = output_;
    pendingIsPeriod_ = true;
    // Counted from the start of unity_: the lead-in comes before it.
    unityWritten_ = -static_cast<std::ptrdiff_t>(leadIn);
}

void PlaybackLoop::writePending(Lock& lock)
{
    PlaybackRequests& r = *requests_;
    lock.unlock();
    // Returns early when a request raises the wake signal; the loop then takes the request
    // up at once, or goes on with the rest if nothing changed.
    const PcmWriteResult result =
        WriteFrames(*device_, pending_, r.wakeSignal, r.timing.stallTimeout);
    lock.lock();
    const std::span<const StereoFrame> written = pending_.first(result.framesWritten);
    const std::size_t silence = TrailingSilence(written);
    trailingSilence_ = silence == written.size() ? trailingSilence_ + silence : silence;
    framesSinceEmpty_ += written.size();
    framesTakenSinceOpen_ += written.size();
    if (pendingIsPeriod_)
        unityWritten_ += static_cast<std::ptrdiff_t>(written.size());
    pending_ = pending_.subspan(written.size());
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
    if (!failureReported_ && !r.stopping)
        qWarning("%s \"%s\": %s", what, r.deviceName.c_str(), snd_strerror(error));
    failureReported_ = true;
    closeDevice(lock);
    if (!r.stopping)
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
