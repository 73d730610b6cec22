#include "PulsePlaybackLoop.h"

#include <QtGlobal>

#include <pulse/def.h>
#include <pulse/error.h>

#include <algorithm>
#include <mutex>
#include <span>

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
// How long the stream's position is waited for when the wind-down asks for it.
constexpr auto kPositionTimeout = 20ms;

} // namespace

PlaybackThread::Loop PulseLoop(SoundServerMaker makeServer)
{
    return [makeServer = std::move(makeServer)](std::shared_ptr<PlaybackRequests> requests) {
        std::unique_ptr<SoundServer> server = makeServer(requests->wakeSignal.descriptor());
        PulsePlaybackLoop(std::move(requests), std::move(server)).run();
    };
}

PulsePlaybackLoop::PulsePlaybackLoop(std::shared_ptr<PlaybackRequests> requests,
                                     std::unique_ptr<SoundServer> server)
    : requests_(std::move(requests)), server_(std::move(server)),
      shaper_(requests_->timing.leadIn), retryDelay_(requests_->timing.firstRetryDelay)
{
}

PulsePlaybackLoop::~PulsePlaybackLoop()
{
    closeConnection();
}

void PulsePlaybackLoop::run()
{
    PlaybackRequests& r = *requests_;
    while (true) {
        step();
        if (phase_ == Phase::Finished)
            break;
        // Waits for the wake signal, the server or the deadline, and runs what they call for.
        const int timeout = pollTimeout();
        server_->run(timeout < 0 ? std::nullopt
                                 : std::optional<std::chrono::microseconds>(timeout));
        // The server asks for frames as soon as the stream is ready.
        if (stream_ && stream_->state() == ServerStream::State::Ready &&
            stream_->writableFrames() > 0)
            write();
    }
    closeConnection();
    const std::lock_guard lock(r.mutex);
    r.finished = true;
    r.changed.notify_all();
}

void PulsePlaybackLoop::step()
{
    requests_->wakeSignal.clear();
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
                deadline_.reset();
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
    const unsigned rate = shaper_.image()->sampleRate;
    int error = 0;
    stream_ = server_->connect({rate, kLatency, kRequest, true}, error);
    if (!stream_) {
        failed("Cannot reach the sound server", error);
        return;
    }
    streamRate_ = rate;
    // Nothing goes into the new stream until it asks for frames.
    shaper_.outputEmptied();
    written_ = 0;
    drained_ = false;
    phase_ = Phase::Connecting;
    deadline_ = Clock::now() + requests_->timing.stallTimeout;
}

void PulsePlaybackLoop::checkConnecting()
{
    const ServerStream::State state = stream_->state();
    if (state == ServerStream::State::Failed) {
        failed("Cannot reach the sound server", stream_->error());
        return;
    }
    if (state == ServerStream::State::Ready && shaper_.image()->sampleRate != streamRate_) {
        // The image changed to another rate while the stream was set up.
        closeConnection();
        connect();
        return;
    }
    if (state == ServerStream::State::Ready) {
        bufferFrames_ = stream_->bufferFrames();
        phase_ = Phase::Playing;
        deadline_.reset();
        return;
    }
    if (Clock::now() >= *deadline_)
        failed("Cannot reach the sound server", PA_ERR_TIMEOUT);
}

void PulsePlaybackLoop::checkConnection()
{
    if (stream_->state() == ServerStream::State::Failed)
        failed("Sound server connection failed", stream_->error());
}

void PulsePlaybackLoop::closeConnection()
{
    stream_.reset();
    streamRate_ = 0;
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

void PulsePlaybackLoop::write()
{
    PlaybackRequests& r = *requests_;
    output_.resize(stream_->writableFrames());
    bool fits = false;
    {
        const std::lock_guard lock(r.mutex);
        takeUpRequest();
        fits = streamFits();
        if (fits)
            shaper_.render(output_, r.levelAt(PlaybackRequests::Clock::now()));
        else
            shaper_.renderFadeOut(output_);
    }
    // A failure here shows in the stream's state, which the next step looks at.
    if (!stream_->write(output_, std::nullopt))
        return;
    written_ += output_.size();
    if (written_ > bufferFrames_) {
        retryDelay_ = r.timing.firstRetryDelay;
        failureLogged_ = false;
    }
    if (!fits && shaper_.endsInSilence(framesStillQueued()))
        drained_ = true;
}

std::size_t PulsePlaybackLoop::framesStillQueued()
{
    const std::optional<ServerStream::Position> position = stream_->position(kPositionTimeout);
    // Until the server has told the stream's position, as much as the buffer and the sink
    // could hold.
    if (!position)
        return 2 * bufferFrames_;
    const auto read = std::min<std::int64_t>(position->read, static_cast<std::int64_t>(written_));
    const std::size_t queued = written_ - static_cast<std::size_t>(read) +
                               static_cast<std::size_t>(position->sinkLatency.count()) *
                                   streamRate_ / 1'000'000;
    // And a request's worth more, for what the position was measured before.
    return queued + streamRate_ * static_cast<std::size_t>(kRequest.count()) / 1000;
}

int PulsePlaybackLoop::pollTimeout() const
{
    if (!deadline_)
        return -1;
    const auto left = std::chrono::ceil<std::chrono::microseconds>(*deadline_ - Clock::now());
    return static_cast<int>(std::max(left, std::chrono::microseconds::zero()).count());
}

} // namespace tone
