#include "PulsePlaybackLoop.h"

#include <QtGlobal>

#include <pulse/error.h>
#include <pulse/proplist.h>

#include <algorithm>
#include <mutex>
#include <span>
#include <thread>

namespace tone {

namespace {

using namespace std::chrono_literals;

// The stream's whole latency, from a write to the sink, as asked for (the server adjusts
// its sink to it, PA_STREAM_ADJUST_LATENCY), and the room that makes it ask for more. Every
// change is heard after about the latency, and the server asks for frames about once a
// request's worth has played. Chosen by bench/playback-pulse.sh at PulseAudio 16.1 and
// PipeWire 0.3.65 null sinks (bench/buffer-options.md): a mute heard 17 to 42 ms after it
// is made (ctest -R restart_timing), at less CPU than the ALSA output before this stream.
constexpr auto kLatency = 30ms;
constexpr auto kRequest = 10ms;
// How long the owner's going away leaves the fade-out to be heard, well within
// PlaybackThread::kJoinTimeout.
constexpr auto kLongestWindDownWhenStopping = 200ms;
// Without a wake signal, requests are looked for this often.
constexpr auto kPollWithoutWakeSignal = 10ms;

struct ProplistFree
{
    void operator()(pa_proplist* list) const { pa_proplist_free(list); }
};
using Proplist = std::unique_ptr<pa_proplist, ProplistFree>;

// The name, icon and role under which the stream shows in the desktop's mixer.
Proplist ProgramProperties(const StreamIdentity& identity)
{
    Proplist list(pa_proplist_new());
    pa_proplist_sets(list.get(), PA_PROP_APPLICATION_NAME, identity.applicationName.c_str());
    pa_proplist_sets(list.get(), PA_PROP_APPLICATION_ICON_NAME, identity.iconName.c_str());
    pa_proplist_sets(list.get(), PA_PROP_MEDIA_ROLE, identity.role.c_str());
    return list;
}

} // namespace

PlaybackThread::Loop PulseLoop(StreamIdentity identity)
{
    return [identity = std::move(identity)](std::shared_ptr<PlaybackRequests> requests) {
        PulsePlaybackLoop(std::move(requests), identity).run();
    };
}

PulsePlaybackLoop::PulsePlaybackLoop(std::shared_ptr<PlaybackRequests> requests,
                                     StreamIdentity identity)
    : requests_(std::move(requests)), identity_(std::move(identity)), mainloop_(pa_mainloop_new()),
      shaper_(requests_->timing.leadIn), retryDelay_(requests_->timing.firstRetryDelay)
{
    const int wake = requests_->wakeSignal.descriptor();
    if (mainloop_ && wake >= 0) {
        pa_mainloop_api* api = pa_mainloop_get_api(mainloop_);
        wakeEvent_ = api->io_new(api, wake, PA_IO_EVENT_INPUT, OnWake, this);
    }
}

PulsePlaybackLoop::~PulsePlaybackLoop()
{
    closeConnection();
    if (!mainloop_)
        return;
    if (wakeEvent_)
        pa_mainloop_get_api(mainloop_)->io_free(wakeEvent_);
    pa_mainloop_free(mainloop_);
}

void PulsePlaybackLoop::run()
{
    PlaybackRequests& r = *requests_;
    while (true) {
        step();
        if (phase_ == Phase::Finished)
            break;
        if (!mainloop_) {
            // No main loop could be made: nothing can play, but the owner can still go.
            std::unique_lock lock(r.mutex);
            r.changed.wait(lock, [&] { return r.stopping; });
            continue;
        }
        // Waits for the wake signal, the server or the deadline, and runs what they call for.
        if (pa_mainloop_prepare(mainloop_, pollTimeout()) < 0 || pa_mainloop_poll(mainloop_) < 0 ||
            pa_mainloop_dispatch(mainloop_) < 0)
            std::this_thread::sleep_for(kPollWithoutWakeSignal);
    }
    closeConnection();
    const std::lock_guard lock(r.mutex);
    r.finished = true;
    r.changed.notify_all();
}

void PulsePlaybackLoop::step()
{
    {
        const std::lock_guard lock(requests_->mutex);
        takeUpRequest();
    }
    // Each phase acts on what it finds; a new phase may act at once.
    Phase before;
    do {
        before = phase_;
        const Clock::time_point now = Clock::now();
        switch (phase_) {
        case Phase::Idle:
            if (stopping_)
                phase_ = Phase::Finished;
            else if (shaper_.image())
                connect();
            break;
        case Phase::Connecting:
            if (stopping_ || !shaper_.image()) {
                closeConnection();
                phase_ = stopping_ ? Phase::Finished : Phase::Idle;
            } else {
                checkConnecting();
            }
            break;
        case Phase::Playing:
        case Phase::WindingDown:
            checkConnection();
            if (phase_ != before)
                break;
            if (streamFits()) {
                phase_ = Phase::Playing;
                deadline_.reset();
                break;
            }
            if (phase_ == Phase::Playing) {
                phase_ = Phase::WindingDown;
                drained_ = false;
            }
            if (stopping_ && !deadline_)
                deadline_ = now + kLongestWindDownWhenStopping;
            if (drained_ || (deadline_ && now >= *deadline_)) {
                closeConnection();
                deadline_.reset();
                phase_ = stopping_ ? Phase::Finished : Phase::Idle;
            }
            break;
        case Phase::BackingOff:
            if (stopping_) {
                phase_ = Phase::Finished;
            } else if (generation_ != failedGeneration_ || now >= *deadline_) {
                // A new request tries again at once.
                deadline_.reset();
                phase_ = Phase::Idle;
            }
            break;
        case Phase::Finished:
            break;
        }
    } while (phase_ != before && phase_ != Phase::Finished);
}

void PulsePlaybackLoop::takeUpRequest()
{
    const PlaybackRequests& r = *requests_;
    stopping_ = r.stopping;
    if (generation_ == r.generation)
        return;
    generation_ = r.generation;
    shaper_.play(r.image);
}

bool PulsePlaybackLoop::streamFits() const
{
    const std::optional<WaveImage>& image = shaper_.image();
    return image && !stopping_ && image->sampleRate == streamRate_;
}

void PulsePlaybackLoop::connect()
{
    const Proplist properties = ProgramProperties(identity_);
    context_ = pa_context_new_with_proplist(pa_mainloop_get_api(mainloop_), nullptr,
                                            properties.get());
    if (!context_) {
        failed("Cannot reach the sound server", PA_ERR_INTERNAL);
        return;
    }
    // Without starting a server of its own: one that does not answer is tried again later.
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        failed("Cannot reach the sound server", pa_context_errno(context_));
        return;
    }
    phase_ = Phase::Connecting;
    deadline_ = Clock::now() + requests_->timing.stallTimeout;
}

void PulsePlaybackLoop::openStream()
{
    const unsigned rate = shaper_.image()->sampleRate;
    const pa_sample_spec sampleFormat{PA_SAMPLE_S16LE, rate, 2};
    const Proplist properties = ProgramProperties(identity_);
    stream_ = pa_stream_new_with_proplist(context_, "Tuning tone", &sampleFormat, nullptr,
                                          properties.get());
    if (!stream_) {
        failed("Cannot open a sound server stream", pa_context_errno(context_));
        return;
    }
    streamRate_ = rate;
    constexpr auto kServerDefault = static_cast<std::uint32_t>(-1);
    const auto bytes = [&](std::chrono::microseconds time) {
        return static_cast<std::uint32_t>(pa_usec_to_bytes(time.count(), &sampleFormat));
    };
    const pa_buffer_attr buffer{kServerDefault, bytes(kLatency), kServerDefault, bytes(kRequest),
                                kServerDefault};
    bufferFrames_ = buffer.tlength / sizeof(StereoFrame);
    // Nothing goes into the new stream until it asks for frames.
    shaper_.outputEmptied();
    written_ = 0;
    drained_ = false;
    pa_stream_set_write_callback(stream_, OnWritable, this);
    const auto flags = static_cast<pa_stream_flags_t>(
        PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE);
    if (pa_stream_connect_playback(stream_, nullptr, &buffer, flags, nullptr, nullptr) < 0)
        failed("Cannot open a sound server stream", pa_context_errno(context_));
}

void PulsePlaybackLoop::checkConnecting()
{
    const pa_context_state_t context = pa_context_get_state(context_);
    if (!PA_CONTEXT_IS_GOOD(context)) {
        failed("Cannot reach the sound server", pa_context_errno(context_));
        return;
    }
    if (context == PA_CONTEXT_READY && !stream_) {
        openStream();
        if (phase_ != Phase::Connecting)
            return;
    }
    if (stream_) {
        const pa_stream_state_t stream = pa_stream_get_state(stream_);
        if (!PA_STREAM_IS_GOOD(stream)) {
            failed("Cannot open a sound server stream", pa_context_errno(context_));
            return;
        }
        if (stream == PA_STREAM_READY && shaper_.image()->sampleRate != streamRate_) {
            // The image changed to another rate while the stream was set up.
            pa_stream_disconnect(stream_);
            pa_stream_unref(stream_);
            stream_ = nullptr;
            openStream();
            return;
        }
        if (stream == PA_STREAM_READY) {
            if (const pa_buffer_attr* granted = pa_stream_get_buffer_attr(stream_))
                bufferFrames_ = granted->tlength / sizeof(StereoFrame);
            phase_ = Phase::Playing;
            deadline_.reset();
            return;
        }
    }
    if (Clock::now() >= *deadline_)
        failed("Cannot reach the sound server", PA_ERR_TIMEOUT);
}

void PulsePlaybackLoop::checkConnection()
{
    if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context_)) ||
        !PA_STREAM_IS_GOOD(pa_stream_get_state(stream_)))
        failed("Sound server connection failed", pa_context_errno(context_));
}

void PulsePlaybackLoop::closeConnection()
{
    if (stream_) {
        pa_stream_set_write_callback(stream_, nullptr, nullptr);
        pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
        stream_ = nullptr;
    }
    streamRate_ = 0;
    if (context_) {
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        context_ = nullptr;
    }
}

void PulsePlaybackLoop::failed(const char* what, int error)
{
    if (!failureLogged_ && !stopping_)
        qWarning("%s: %s", what, pa_strerror(error));
    failureLogged_ = true;
    closeConnection();
    if (stopping_) {
        phase_ = Phase::Finished;
        return;
    }
    phase_ = Phase::BackingOff;
    failedGeneration_ = generation_;
    deadline_ = Clock::now() + retryDelay_;
    retryDelay_ = std::min(retryDelay_ * 2, requests_->timing.longestRetryDelay);
}

void PulsePlaybackLoop::write(std::size_t bytes)
{
    PlaybackRequests& r = *requests_;
    void* data = nullptr;
    std::size_t size = bytes;
    // A failure here shows in the stream's state, which the next step looks at.
    if (pa_stream_begin_write(stream_, &data, &size) < 0 || !data)
        return;
    const std::span out(static_cast<StereoFrame*>(data), size / sizeof(StereoFrame));
    bool fits = false;
    {
        const std::lock_guard lock(r.mutex);
        takeUpRequest();
        fits = streamFits();
        if (fits)
            shaper_.render(out, r.levelAt(PlaybackRequests::Clock::now()));
        else
            shaper_.renderFadeOut(out);
    }
    if (pa_stream_write(stream_, data, out.size_bytes(), nullptr, 0, PA_SEEK_RELATIVE) < 0)
        return;
    written_ += out.size();
    if (written_ > bufferFrames_) {
        retryDelay_ = r.timing.firstRetryDelay;
        failureLogged_ = false;
    }
    if (!fits && shaper_.endsInSilence(framesStillQueued()))
        drained_ = true;
}

std::size_t PulsePlaybackLoop::framesStillQueued() const
{
    pa_usec_t latency = 0;
    int negative = 0;
    // Until the server has told the stream's timing, as much as the buffer and the sink
    // could hold.
    if (pa_stream_get_latency(stream_, &latency, &negative) < 0)
        return 2 * bufferFrames_;
    const std::size_t queued = negative ? 0 : latency * streamRate_ / 1'000'000;
    // And a request's worth more, for what the latency was measured before.
    return queued + streamRate_ * static_cast<std::size_t>(kRequest.count()) / 1000;
}

int PulsePlaybackLoop::pollTimeout() const
{
    std::chrono::microseconds timeout = std::chrono::microseconds::max();
    if (deadline_)
        timeout = std::max(std::chrono::ceil<std::chrono::microseconds>(*deadline_ - Clock::now()),
                           std::chrono::microseconds::zero());
    if (!wakeEvent_)
        timeout = std::min<std::chrono::microseconds>(timeout, kPollWithoutWakeSignal);
    return timeout == std::chrono::microseconds::max() ? -1 : static_cast<int>(timeout.count());
}

void PulsePlaybackLoop::OnWake(pa_mainloop_api*, pa_io_event*, int, pa_io_event_flags_t, void* loop)
{
    // The request is taken up by the step that follows this iteration.
    static_cast<PulsePlaybackLoop*>(loop)->requests_->wakeSignal.clear();
}

void PulsePlaybackLoop::OnWritable(pa_stream*, std::size_t bytes, void* loop)
{
    static_cast<PulsePlaybackLoop*>(loop)->write(bytes);
}

} // namespace tone
