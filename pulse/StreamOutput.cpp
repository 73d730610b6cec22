#include "StreamOutput.h"

#include "playback/PlaybackLoop.h"

#include <pulse/def.h>
#include <pulse/error.h>

#include <algorithm>

namespace tone {

namespace {

using namespace std::chrono_literals;

// How long a change waits for the server to say where it is reading; a server that does not
// answer in this time is not reading either, and what it holds is then left as it is.
constexpr auto kPositionTimeout = 20ms;

} // namespace

StreamOutput::StreamOutput(std::unique_ptr<ServerStream> stream, SoundServer& server,
                           unsigned sampleRate)
    : stream_(std::move(stream)), server_(server), sampleRate_(sampleRate)
{
}

PlaybackOutput::Status StreamOutput::status() const
{
    switch (stream_->state()) {
    case ServerStream::State::Connecting:
        return Status::Opening;
    case ServerStream::State::Ready:
        wasReady_ = true;
        return Status::Open;
    case ServerStream::State::Failed:
        break;
    }
    return Status::Failed;
}

std::string StreamOutput::failure() const
{
    const ServerStream::State state = stream_->state();
    const int error = state == ServerStream::State::Failed ? stream_->error() : PA_ERR_TIMEOUT;
    return std::string(wasReady_ ? "Sound server connection failed: "
                                 : "Cannot reach the sound server: ") +
           pa_strerror(error);
}

std::size_t StreamOutput::wanted()
{
    if (stream_->state() != ServerStream::State::Ready)
        return 0;
    const std::size_t replacing =
        replaceFrom_ ? static_cast<std::size_t>(written_ - *replaceFrom_) : 0;
    return replacing + stream_->writableFrames();
}

void StreamOutput::write(std::span<const StereoFrame> frames)
{
    const std::int64_t from = replaceFrom_.value_or(written_);
    // A failure shows in the stream's state, which the loop looks at before every step.
    if (!stream_->write(frames, static_cast<std::size_t>(written_ - from)))
        return;
    // The server's write index is now after these frames, wherever it was before.
    written_ = from + static_cast<std::int64_t>(frames.size());
    replaceFrom_.reset();
}

bool StreamOutput::hasPlayed() const
{
    return written_ > static_cast<std::int64_t>(stream_->bufferFrames());
}

std::size_t StreamOutput::stillToBeHeard()
{
    const std::optional<ServerStream::Position> position = stream_->position(kPositionTimeout);
    // Without an answer, everything written may still be heard.
    if (!position)
        return static_cast<std::size_t>(written_);
    const std::int64_t reading = std::min(written_, position->read);
    return static_cast<std::size_t>(written_ - reading) + frames(position->sinkLatency);
}

std::size_t StreamOutput::longestReplace() const
{
    // The server may grant more than asked for; twice that is kept within reach.
    return 2 * frames(kTargetLength);
}

std::size_t StreamOutput::replaceable()
{
    const std::optional<std::int64_t> reading = readingNow();
    if (!reading)
        return 0;
    const std::int64_t earliest = *reading + static_cast<std::int64_t>(frames(kReplaceMargin));
    return written_ > earliest ? static_cast<std::size_t>(written_ - earliest) : 0;
}

void StreamOutput::replace(std::size_t frames)
{
    replaceFrom_ = std::max<std::int64_t>(0, written_ - static_cast<std::int64_t>(frames));
}

void StreamOutput::wait(WakeSignal&, std::optional<Clock::time_point> until)
{
    // The server's waits end with the wake signal already (SoundServerMaker).
    std::optional<std::chrono::microseconds> timeout;
    if (until)
        timeout = std::max(std::chrono::ceil<std::chrono::microseconds>(*until - Clock::now()),
                           std::chrono::microseconds::zero());
    server_.run(timeout);
}

std::optional<std::int64_t> StreamOutput::readingNow()
{
    const std::optional<ServerStream::Position> position = stream_->position(kPositionTimeout);
    if (!position)
        return std::nullopt;
    std::int64_t reading = position->read;
    if (position->playing)
        reading += static_cast<std::int64_t>(
            frames(std::chrono::ceil<std::chrono::microseconds>(Clock::now() - position->at)));
    return std::min(reading, written_);
}

std::size_t StreamOutput::frames(std::chrono::microseconds time) const
{
    return static_cast<std::size_t>(std::max<std::chrono::microseconds::rep>(time.count(), 0)) *
           sampleRate_ / 1'000'000;
}

OutputOpener StreamOutputs(SoundServer& server)
{
    return [&server](unsigned sampleRate, std::string& failure) -> std::unique_ptr<PlaybackOutput> {
        int error = 0;
        std::unique_ptr<ServerStream> stream = server.connect(
            {sampleRate, StreamOutput::kTargetLength, StreamOutput::kRequest}, error);
        if (!stream) {
            failure = std::string("Cannot reach the sound server: ") + pa_strerror(error);
            return nullptr;
        }
        return std::make_unique<StreamOutput>(std::move(stream), server, sampleRate);
    };
}

PlaybackThread::Loop PulseLoop(SoundServerMaker makeServer)
{
    return [makeServer = std::move(makeServer)](std::shared_ptr<PlaybackRequests> requests) {
        // Made on the playback thread, which alone uses it, and destroyed after the loop.
        const std::unique_ptr<SoundServer> server = makeServer(requests->wakeSignal.descriptor());
        PlaybackLoop(std::move(requests), StreamOutputs(*server)).run();
    };
}

} // namespace tone
