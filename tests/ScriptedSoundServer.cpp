#include "ScriptedSoundServer.h"

#include <poll.h>

#include <algorithm>

namespace {

// Only a hung playback thread comes near this; a healthy one acts within milliseconds.
constexpr std::chrono::seconds kSafetyTimeout{10};

} // namespace

class ScriptedStream final : public tone::ServerStream
{
public:
    explicit ScriptedStream(std::shared_ptr<ServerScript> script) : script_(std::move(script)) {}
    ~ScriptedStream() override
    {
        const std::lock_guard lock(script_->mutex_);
        --script_->openStreams_;
        script_->queued_.clear();
        script_->changed_.notify_all();
    }

    State state() const override
    {
        const std::lock_guard lock(script_->mutex_);
        if (script_->streamError_ != 0)
            return State::Failed;
        return script_->ready_ ? State::Ready : State::Connecting;
    }
    int error() const override
    {
        const std::lock_guard lock(script_->mutex_);
        return script_->streamError_;
    }
    std::size_t bufferFrames() const override
    {
        const std::lock_guard lock(script_->mutex_);
        return script_->bufferFrames_;
    }
    std::size_t writableFrames() const override
    {
        const std::lock_guard lock(script_->mutex_);
        if (!script_->ready_ || script_->streamError_ != 0)
            return 0;
        return script_->bufferFrames_ - std::min(script_->bufferFrames_, script_->queued_.size());
    }

    bool write(std::span<const tone::StereoFrame> frames, std::size_t replacing) override
    {
        ServerScript& s = *script_;
        const std::lock_guard lock(s.mutex_);
        if (!s.ready_ || s.streamError_ != 0)
            return false;
        // Frames meant to replace what has been played already are dropped.
        const std::size_t played = replacing - std::min(replacing, s.queued_.size());
        s.queued_.resize(s.queued_.size() - std::min(replacing, s.queued_.size()));
        if (replacing > 0)
            ++s.replacements_;
        for (const tone::StereoFrame& frame : frames.subspan(std::min(played, frames.size())))
            s.queued_.push_back({frame.left, frame.right});
        s.changed_.notify_all();
        return true;
    }

    std::optional<Position> position(std::chrono::milliseconds) override
    {
        const std::lock_guard lock(script_->mutex_);
        if (!script_->positionsAnswered_ || !script_->ready_)
            return std::nullopt;
        return Position{script_->readIndex_, std::chrono::steady_clock::now(), false,
                        std::chrono::microseconds(0)};
    }

private:
    const std::shared_ptr<ServerScript> script_;
};

class ScriptedServer final : public tone::SoundServer
{
public:
    ScriptedServer(std::shared_ptr<ServerScript> script, int wakeDescriptor)
        : script_(std::move(script)), wakeDescriptor_(wakeDescriptor)
    {
    }

    std::unique_ptr<tone::ServerStream> connect(const tone::StreamRequest& request,
                                                int& error) override
    {
        ServerScript& s = *script_;
        const std::lock_guard lock(s.mutex_);
        ++s.connects_;
        s.changed_.notify_all();
        if (s.refusals_ > 0) {
            --s.refusals_;
            error = s.refusalError_;
            return nullptr;
        }
        ++s.openStreams_;
        s.ready_ = !s.holding_;
        s.streamError_ = 0;
        s.bufferFrames_ =
            static_cast<std::size_t>(request.targetLength.count()) * request.sampleRate / 1'000'000;
        s.readIndex_ = 0;
        s.queued_.clear();
        // A stream that is ready at once is asked for frames at once.
        if (s.ready_)
            s.newsLocked();
        return std::make_unique<ScriptedStream>(script_);
    }

    void run(std::optional<std::chrono::microseconds> timeout) override
    {
        ServerScript& s = *script_;
        pollfd descriptors[] = {{s.news_.descriptor(), POLLIN, 0}, {wakeDescriptor_, POLLIN, 0}};
        {
            const std::lock_guard lock(s.mutex_);
            ++s.runs_;
            // Nothing to handle: neither news nor a request is waiting.
            s.waiting_ = poll(descriptors, 2, 0) == 0;
            s.changed_.notify_all();
        }
        const int milliseconds =
            timeout
                ? static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(*timeout).count())
                : -1;
        poll(descriptors, 2, milliseconds);
        const std::lock_guard lock(s.mutex_);
        s.waiting_ = false;
        s.news_.clear();
    }

private:
    const std::shared_ptr<ServerScript> script_;
    const int wakeDescriptor_;
};

tone::SoundServerMaker ServerScript::maker()
{
    return [script = shared_from_this()](int wakeDescriptor) {
        return std::make_unique<ScriptedServer>(script, wakeDescriptor);
    };
}

void ServerScript::refuse(int error, int count)
{
    const std::lock_guard lock(mutex_);
    refusalError_ = error;
    refusals_ = count;
}

void ServerScript::holdConnecting()
{
    const std::lock_guard lock(mutex_);
    holding_ = true;
}

void ServerScript::answer()
{
    const std::lock_guard lock(mutex_);
    holding_ = false;
    ready_ = true;
    newsLocked();
}

void ServerScript::failStream(int error)
{
    const std::lock_guard lock(mutex_);
    streamError_ = error;
    newsLocked();
}

void ServerScript::answerPositions(bool answers)
{
    const std::lock_guard lock(mutex_);
    positionsAnswered_ = answers;
}

std::vector<Frame> ServerScript::consume(std::size_t count)
{
    const std::lock_guard lock(mutex_);
    const std::size_t taken = std::min(count, queued_.size());
    std::vector<Frame> frames(queued_.begin(),
                              queued_.begin() + static_cast<std::ptrdiff_t>(taken));
    queued_.erase(queued_.begin(), queued_.begin() + static_cast<std::ptrdiff_t>(taken));
    readIndex_ += static_cast<std::int64_t>(taken);
    newsLocked();
    return frames;
}

bool ServerScript::waitForQueued(std::size_t count)
{
    Lock lock(mutex_);
    return waitFor(lock, [&] { return queued_.size() >= count; });
}

bool ServerScript::waitForConnects(std::size_t count)
{
    Lock lock(mutex_);
    return waitFor(lock, [&] { return connects_ >= count; });
}

bool ServerScript::waitUntilClosed()
{
    Lock lock(mutex_);
    return waitFor(lock, [&] { return openStreams_ == 0; });
}

bool ServerScript::waitUntilIdle()
{
    Lock lock(mutex_);
    return waitFor(lock, [&] { return waiting_ && queued_.size() == bufferFrames_; });
}

bool ServerScript::waitForReplacements(std::size_t count)
{
    Lock lock(mutex_);
    return waitFor(lock, [&] { return replacements_ >= count; });
}

std::size_t ServerScript::connects()
{
    const std::lock_guard lock(mutex_);
    return connects_;
}

std::size_t ServerScript::replacements()
{
    const std::lock_guard lock(mutex_);
    return replacements_;
}

std::size_t ServerScript::runs()
{
    const std::lock_guard lock(mutex_);
    return runs_;
}

std::size_t ServerScript::openStreams()
{
    const std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(openStreams_);
}

std::deque<Frame> ServerScript::queued()
{
    const std::lock_guard lock(mutex_);
    return queued_;
}

bool ServerScript::waitFor(Lock& lock, const std::function<bool()>& condition)
{
    return changed_.wait_for(lock, kSafetyTimeout, condition);
}

void ServerScript::newsLocked()
{
    news_.raise();
    changed_.notify_all();
}
