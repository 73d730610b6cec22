#include "AlsaPlaybackThread.h"

#include "AlsaPcmOutput.h"
#include "LoopRenderer.h"

#include <QtGlobal>

#include <alsa/asoundlib.h>
#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

namespace tone {

namespace {

using std::chrono::milliseconds;

// The pause after the device first fails to open or play, and the longest it grows to.
constexpr milliseconds kFirstRetryDelay{100};
constexpr milliseconds kLongestRetryDelay{2000};

// Takes alsa-lib's own error messages while a failing device is retried: alsa-lib prints
// them to stderr on every attempt, and the failure has been logged once already.
void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...)
{
}

} // namespace

// What only the playback thread touches.
struct AlsaPlaybackThread::State
{
    std::unique_ptr<AlsaPcmOutput> output;
    // The request being played, and the frame of its image that comes next.
    std::uint64_t generation = 0;
    std::size_t position = 0;
    // The frames of the period last converted that the device has not taken yet.
    std::span<const StereoFrame> unwritten;
    // The PCM still holds frames of an earlier request, to be thrown away before the next.
    bool queuedIsStale = false;
    // What went to the PCM since it was last empty: periods with sound, and silent ones.
    bool soundQueued = false;
    bool silenceQueued = false;
    std::vector<StereoFrame> period;
    milliseconds retryDelay = kFirstRetryDelay;
    // A failure is logged once, until playback works again.
    bool failureReported = false;
};

AlsaPlaybackThread::AlsaPlaybackThread(std::string deviceName)
    : deviceName_(std::move(deviceName)),
      thread_([this](std::stop_token stopToken) { run(stopToken); })
{
}

AlsaPlaybackThread::~AlsaPlaybackThread()
{
    // The stop request wakes the thread from its condition variable waits, the signal from a
    // wait for room in the device.
    thread_.request_stop();
    wakeSignal_.raise();
    thread_.join();
}

void AlsaPlaybackThread::play(std::optional<WaveImage> image)
{
    {
        const std::lock_guard lock(mutex_);
        image_ = image;
        ++generation_;
    }
    wake_.notify_one();
    wakeSignal_.raise();
}

void AlsaPlaybackThread::run(std::stop_token stopToken)
{
    // Shown by top and debuggers; the benchmark finds the thread by this name.
    pthread_setname_np(pthread_self(), "tone playback");

    State state;
    std::unique_lock lock(mutex_);
    while (!stopToken.stop_requested()) {
        if (state.generation != generation_) {
            state.generation = generation_;
            state.position = 0;
            state.unwritten = {};
            state.queuedIsStale = state.output != nullptr;
        }
        if (!image_) {
            if (state.output)
                closeOutput(state, lock);
            else
                wake_.wait(lock, stopToken, [&] { return generation_ != state.generation; });
        } else if (state.output && state.output->sampleRate() != image_->sampleRate) {
            // The rate is fixed once the PCM is configured: another one needs a new PCM.
            closeOutput(state, lock);
        } else if (!state.output) {
            openOutput(state, lock, stopToken);
        } else if (state.queuedIsStale || unmutedOverQueuedSilence(state)) {
            discardQueued(state, lock, stopToken);
        } else {
            playPeriod(state, lock, stopToken);
        }
    }
    closeOutput(state, lock);
}

bool AlsaPlaybackThread::unmutedOverQueuedSilence(const State& state) const
{
    return state.silenceQueued && !state.soundQueued && packedVolume() != 0;
}

void AlsaPlaybackThread::closeOutput(State& state, std::unique_lock<std::mutex>& lock)
{
    std::unique_ptr<AlsaPcmOutput> output = std::move(state.output);
    state.unwritten = {};
    state.soundQueued = state.silenceQueued = false;
    lock.unlock();
    output.reset();
    lock.lock();
}

void AlsaPlaybackThread::openOutput(State& state, std::unique_lock<std::mutex>& lock,
                                    std::stop_token stopToken)
{
    const unsigned sampleRate = image_->sampleRate;
    lock.unlock();
    // The handler is global to alsa-lib, and this thread is the program's only ALSA user.
    snd_lib_error_set_handler(state.failureReported ? IgnoreAlsaError : nullptr);
    int error = 0;
    std::unique_ptr<AlsaPcmOutput> output = AlsaPcmOutput::Open(deviceName_, sampleRate, error);
    lock.lock();
    if (!output) {
        reportFailure(state, "Cannot open sound output", error);
        waitBeforeRetry(state, lock, stopToken);
        return;
    }
    state.output = std::move(output);
    state.period.resize(state.output->periodFrames());
    state.queuedIsStale = false;
    state.soundQueued = state.silenceQueued = false;
}

void AlsaPlaybackThread::discardQueued(State& state, std::unique_lock<std::mutex>& lock,
                                       std::stop_token stopToken)
{
    lock.unlock();
    const int error = state.output->discardQueued();
    lock.lock();
    state.queuedIsStale = false;
    state.soundQueued = state.silenceQueued = false;
    // What was converted but not written goes too: it was stale or silent.
    state.unwritten = {};
    if (error < 0) {
        reportFailure(state, "Sound output failed", error);
        closeOutput(state, lock);
        waitBeforeRetry(state, lock, stopToken);
    }
}

void AlsaPlaybackThread::playPeriod(State& state, std::unique_lock<std::mutex>& lock,
                                    std::stop_token stopToken)
{
    // The image is read only here, with the lock held, so a request that replaces it waits
    // until this period is converted and the image is never touched after the request.
    if (state.unwritten.empty()) {
        const std::uint32_t volume = packedVolume();
        state.position =
            RenderLoop(*image_, state.position, StereoGain::FromPacked(volume), state.period);
        state.unwritten = state.period;
        (volume == 0 ? state.silenceQueued : state.soundQueued) = true;
    }
    lock.unlock();
    // Returns early when a request raises the wake signal; the loop then takes the request
    // up at once, or goes on with the rest of this period if nothing changed.
    const AlsaPcmOutput::WriteResult result = state.output->write(state.unwritten, wakeSignal_);
    lock.lock();
    state.unwritten = state.unwritten.subspan(result.framesWritten);
    if (result.error < 0) {
        reportFailure(state, "Sound output failed", result.error);
        closeOutput(state, lock);
        waitBeforeRetry(state, lock, stopToken);
        return;
    }
    state.retryDelay = kFirstRetryDelay;
    state.failureReported = false;
}

void AlsaPlaybackThread::reportFailure(State& state, const char* what, int error) const
{
    if (state.failureReported)
        return;
    qWarning("%s \"%s\": %s", what, deviceName_.c_str(), snd_strerror(error));
    state.failureReported = true;
}

void AlsaPlaybackThread::waitBeforeRetry(State& state, std::unique_lock<std::mutex>& lock,
                                         std::stop_token stopToken)
{
    const std::uint64_t failedGeneration = state.generation;
    wake_.wait_for(lock, stopToken, state.retryDelay,
                   [&] { return generation_ != failedGeneration; });
    state.retryDelay = std::min(state.retryDelay * 2, kLongestRetryDelay);
}

} // namespace tone
