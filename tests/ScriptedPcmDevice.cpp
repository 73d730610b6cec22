#include "ScriptedPcmDevice.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>

namespace {

// Only a hung playback thread comes near this; a healthy one acts within milliseconds.
constexpr std::chrono::seconds kSafetyTimeout{10};

} // namespace

class ScriptedPcmDevice final : public tone::PcmDevice
{
public:
    explicit ScriptedPcmDevice(std::shared_ptr<PcmScript> script) : script_(std::move(script)) {}
    ~ScriptedPcmDevice() override
    {
        PcmScript::Lock lock(script_->mutex_);
        script_->enter(lock, PcmScript::Call::Close);
        script_->lastCut_.assign(script_->queued_.begin(), script_->queued_.end());
        script_->queued_.clear();
        --script_->openDevices_;
        script_->changed_.notify_all();
    }

    unsigned sampleRate() const override { return PcmScript::kSampleRate; }
    std::size_t periodFrames() const override { return PcmScript::kPeriodFrames; }
    std::size_t bufferFrames() const override { return PcmScript::kBufferFrames; }

    long write(std::span<const tone::StereoFrame> frames) override
    {
        PcmScript& s = *script_;
        PcmScript::Lock lock(s.mutex_);
        s.enter(lock, PcmScript::Call::Write);
        // Like ALSA, a device stays in its underrun or suspended state until it is brought
        // out of it.
        if (s.state_ < 0)
            return s.state_;
        std::size_t most = frames.size();
        if (!s.writes_.empty()) {
            const long scripted = s.writes_.front();
            s.writes_.pop_front();
            if (scripted == -EPIPE || scripted == -ESTRPIPE)
                s.state_ = static_cast<int>(scripted);
            if (scripted < 0)
                return scripted;
            most = std::min(most, static_cast<std::size_t>(scripted));
        }
        const std::size_t taken = std::min(most, PcmScript::kBufferFrames - s.queued_.size());
        if (taken == 0)
            return -EAGAIN;
        for (const tone::StereoFrame& frame : frames.first(taken))
            s.queued_.push_back({frame.left, frame.right});
        s.changed_.notify_all();
        return static_cast<long>(taken);
    }

    tone::PcmWait wait(int wakeDescriptor, std::chrono::milliseconds timeout) override
    {
        PcmScript& s = *script_;
        {
            PcmScript::Lock lock(s.mutex_);
            s.enter(lock, PcmScript::Call::Wait);
            if (!s.waits_.empty()) {
                const tone::PcmWait scripted = s.waits_.front();
                s.waits_.pop_front();
                return scripted;
            }
            // Like poll(), a readable wake descriptor shows whether or not there is room.
            pollfd wake{wakeDescriptor, POLLIN, 0};
            if (poll(&wake, 1, 0) > 0 && (wake.revents & POLLIN))
                return tone::PcmWait::Woken;
            if (PcmScript::kBufferFrames - s.queued_.size() >= PcmScript::kPeriodFrames)
                return tone::PcmWait::Ready;
            // The room signal is cleared under the lock, so no consume is missed.
            s.room_.clear();
            s.blocked_ = true;
            ++s.blockedWaits_;
            s.changed_.notify_all();
        }
        pollfd descriptors[] = {{s.room_.descriptor(), POLLIN, 0}, {wakeDescriptor, POLLIN, 0}};
        const int ready = poll(descriptors, 2, static_cast<int>(timeout.count()));
        {
            const std::lock_guard lock(s.mutex_);
            s.blocked_ = false;
        }
        if (ready == 0)
            return tone::PcmWait::TimedOut;
        if (descriptors[1].revents & POLLIN)
            return tone::PcmWait::Woken;
        return tone::PcmWait::Ready;
    }

    int prepare() override
    {
        PcmScript::Lock lock(script_->mutex_);
        script_->enter(lock, PcmScript::Call::Prepare);
        script_->state_ = 0;
        return 0;
    }

    int resume() override
    {
        PcmScript& s = *script_;
        PcmScript::Lock lock(s.mutex_);
        s.enter(lock, PcmScript::Call::Resume);
        if (s.asleep_ > 0) {
            --s.asleep_;
            return -EAGAIN;
        }
        if (s.resumeResult_ == 0)
            s.state_ = 0;
        return s.resumeResult_;
    }

private:
    const std::shared_ptr<PcmScript> script_;
};

tone::PcmDeviceOpener PcmScript::opener()
{
    return [script = shared_from_this()](unsigned, int& error) -> std::unique_ptr<tone::PcmDevice> {
        {
            Lock lock(script->mutex_);
            script->enter(lock, Call::Open);
            script->openTimes_.push_back(std::chrono::steady_clock::now());
            if (script->failingOpens_ > 0) {
                --script->failingOpens_;
                error = script->openError_;
                return nullptr;
            }
            script->queued_.clear();
            ++script->openDevices_;
        }
        return std::make_unique<ScriptedPcmDevice>(script);
    };
}

void PcmScript::failOpens(int error, int count)
{
    const std::lock_guard lock(mutex_);
    openError_ = error;
    failingOpens_ = count;
}

void PcmScript::scriptWrites(std::vector<long> results)
{
    const std::lock_guard lock(mutex_);
    writes_.insert(writes_.end(), results.begin(), results.end());
}

void PcmScript::scriptWaits(std::vector<tone::PcmWait> results)
{
    const std::lock_guard lock(mutex_);
    waits_.insert(waits_.end(), results.begin(), results.end());
}

void PcmScript::scriptResume(int asleepCount, int result)
{
    const std::lock_guard lock(mutex_);
    asleep_ = asleepCount;
    resumeResult_ = result;
}

void PcmScript::hangIn(Call call)
{
    const std::lock_guard lock(mutex_);
    hangPending_ = true;
    hangCall_ = call;
    released_ = false;
}

void PcmScript::release()
{
    const std::lock_guard lock(mutex_);
    released_ = true;
    changed_.notify_all();
}

void PcmScript::enter(Lock& lock, Call call)
{
    ++callCounts_[static_cast<std::size_t>(call)];
    changed_.notify_all();
    if (!hangPending_ || hangCall_ != call)
        return;
    hangPending_ = false;
    hanging_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return released_; });
    hanging_ = false;
}

bool PcmScript::waitFor(Lock& lock, const std::function<bool()>& condition)
{
    return changed_.wait_for(lock, kSafetyTimeout, condition);
}

std::vector<Frame> PcmScript::consume(std::size_t count)
{
    const std::lock_guard lock(mutex_);
    std::vector<Frame> played;
    while (played.size() < count && !queued_.empty()) {
        played.push_back(queued_.front());
        queued_.pop_front();
    }
    room_.raise();
    return played;
}

bool PcmScript::waitForQueued(const std::function<bool(const std::deque<Frame>&)>& condition)
{
    Lock lock(mutex_);
    return waitFor(lock, [&] { return condition(queued_); });
}

bool PcmScript::waitUntilFull()
{
    return waitForQueued([](const std::deque<Frame>& q) { return q.size() == kBufferFrames; });
}

bool PcmScript::waitForCalls(Call call, std::size_t count)
{
    Lock lock(mutex_);
    return waitFor(lock, [&] { return callCounts_[static_cast<std::size_t>(call)] >= count; });
}

bool PcmScript::waitUntilHanging()
{
    Lock lock(mutex_);
    return waitFor(lock, [&] { return hanging_; });
}

std::vector<Frame> PcmScript::playUntil(const std::function<bool()>& done, bool& reached)
{
    std::vector<Frame> played;
    Lock lock(mutex_);
    while (true) {
        reached = waitFor(lock, [&] { return done() || !queued_.empty(); });
        if (!reached || done())
            return played;
        played.insert(played.end(), queued_.begin(), queued_.end());
        queued_.clear();
        room_.raise();
    }
}

std::vector<Frame> PcmScript::playUntilClosed(bool& closed)
{
    return playUntil([this] { return openDevices_ == 0; }, closed);
}

bool PcmScript::playUntilHanging()
{
    bool reached = false;
    playUntil([this] { return hanging_; }, reached);
    return reached;
}

std::vector<Frame> PcmScript::lastCut()
{
    const std::lock_guard lock(mutex_);
    return lastCut_;
}

std::size_t PcmScript::waitUntilBlocked(std::size_t atLeast)
{
    Lock lock(mutex_);
    return waitFor(lock, [&] { return blocked_ && blockedWaits_ >= atLeast; }) ? blockedWaits_ : 0;
}

std::size_t PcmScript::calls(Call call)
{
    const std::lock_guard lock(mutex_);
    return callCounts_[static_cast<std::size_t>(call)];
}

std::vector<std::chrono::steady_clock::time_point> PcmScript::openTimes()
{
    const std::lock_guard lock(mutex_);
    return openTimes_;
}

std::size_t PcmScript::queuedFrames()
{
    const std::lock_guard lock(mutex_);
    return queued_.size();
}

std::deque<Frame> PcmScript::queued()
{
    const std::lock_guard lock(mutex_);
    return queued_;
}
