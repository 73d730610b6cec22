#include "PlaybackLoop.h"

#include <QtGlobal>

#include <algorithm>

namespace tone {

namespace {

using namespace std::chrono_literals;

// How long the owner's going away leaves the fade-out to be heard, well within
// PlaybackThread::kJoinTimeout.
constexpr auto kLongestWindDownWhenStopping = 200ms;
// An output that can replace what it holds gets the tone made in blocks of this length, the
// points it can be made again from (ShaperHistory).
constexpr auto kReplaceStep = 5ms;

} // namespace

PlaybackThread::Loop PlaybackLoopOn(OutputOpener open)
{
    return [open = std::move(open)](std::shared_ptr<PlaybackRequests> requests) {
        PlaybackLoop(std::move(requests), open).run();
    };
}

PlaybackLoop::PlaybackLoop(std::shared_ptr<PlaybackRequests> requests, OutputOpener open)
    : requests_(std::move(requests)), open_(std::move(open)), shaper_(requests_->timing.leadIn),
      retryDelay_(requests_->timing.firstRetryDelay)
{
}

void PlaybackLoop::run()
{
    PlaybackRequests& r = *requests_;
    while (!std::holds_alternative<Finished>(phase_)) {
        // Cleared before the look, so that a request made after it ends the next wait.
        r.wakeSignal.clear();
        if (lookAtRequests()) {
            std::visit(
                [](auto& phase) {
                    if constexpr (requires { phase.open; })
                        phase.open.changed = true;
                },
                phase_);
        }
        Phase next = std::visit([this](auto& phase) { return step(phase); }, phase_);
        // Closes the output of a phase left behind, without the lock.
        phase_ = std::move(next);
    }
    const std::lock_guard lock(r.mutex);
    r.finished = true;
    r.changed.notify_all();
}

bool PlaybackLoop::lookAtRequests()
{
    PlaybackRequests& r = *requests_;
    const std::lock_guard lock(r.mutex);
    const bool newRequest = r.generation != generation_;
    takeUpRequest();
    const StereoGain level = r.levelAt(Clock::now());
    const bool newLevel = level.left != level_.left || level.right != level_.right;
    level_ = level;
    return newRequest || newLevel;
}

void PlaybackLoop::takeUpRequest()
{
    const PlaybackRequests& r = *requests_;
    stopping_ = r.stopping;
    if (generation_ == r.generation)
        return;
    generation_ = r.generation;
    shaper_.play(r.image);
}

bool PlaybackLoop::fits(const PlaybackOutput& output) const
{
    const std::optional<WaveImage>& image = shaper_.image();
    return image && !stopping_ && output.sampleRate() == image->sampleRate;
}

PlaybackLoop::Phase PlaybackLoop::step(Idle&)
{
    if (stopping_)
        return Finished{};
    if (!shaper_.image()) {
        waitForRequest(generation_, std::nullopt);
        return Idle{};
    }
    return open();
}

PlaybackLoop::Phase PlaybackLoop::step(Opening& phase)
{
    PlaybackOutput& output = *phase.open.output;
    if (!fits(output))
        return stopping_ ? Phase{Finished{}} : Phase{Idle{}};
    switch (output.status()) {
    case PlaybackOutput::Status::Open:
        return Playing{std::move(phase.open)};
    case PlaybackOutput::Status::Failed:
        return failed(output.failure());
    case PlaybackOutput::Status::Opening:
        break;
    }
    if (Clock::now() >= phase.giveUpAt)
        return failed(output.failure());
    output.wait(requests_->wakeSignal, phase.giveUpAt);
    return std::move(phase);
}

PlaybackLoop::Phase PlaybackLoop::step(Playing& phase)
{
    PlaybackOutput& output = *phase.open.output;
    if (output.status() == PlaybackOutput::Status::Failed)
        return failed(output.failure());
    if (!fits(output)) {
        std::optional<Clock::time_point> giveUpAt;
        if (stopping_)
            giveUpAt = Clock::now() + kLongestWindDownWhenStopping;
        return WindingDown{std::move(phase.open), giveUpAt};
    }
    if (phase.open.changed)
        remake(phase.open);
    feed(phase.open, true);
    if (output.hasPlayed()) {
        retryDelay_ = requests_->timing.firstRetryDelay;
        failureLogged_ = false;
    }
    output.wait(requests_->wakeSignal, requests_->levelSettlesAt(Clock::now()));
    return std::move(phase);
}

PlaybackLoop::Phase PlaybackLoop::step(WindingDown& phase)
{
    PlaybackOutput& output = *phase.open.output;
    if (output.status() == PlaybackOutput::Status::Failed)
        return failed(output.failure());
    if (fits(output))
        return Playing{std::move(phase.open)};
    const Clock::time_point now = Clock::now();
    if (stopping_ && !phase.giveUpAt)
        phase.giveUpAt = now + kLongestWindDownWhenStopping;
    if (phase.open.changed)
        remake(phase.open);
    feed(phase.open, false);
    const std::size_t toBeHeard = output.stillToBeHeard();
    if (shaper_.endsInSilence(toBeHeard) || (phase.giveUpAt && now >= *phase.giveUpAt))
        return stopping_ ? Phase{Finished{}} : Phase{Idle{}};
    // Looks again once the sound still to be heard has been, if the output does not ask
    // for frames before.
    const std::size_t sounding = toBeHeard - std::min(toBeHeard, shaper_.trailingSilence());
    Clock::time_point silentBy =
        now +
        std::chrono::microseconds(std::int64_t{1'000'000} * static_cast<std::int64_t>(sounding) /
                                  output.sampleRate()) +
        1ms;
    if (phase.giveUpAt)
        silentBy = std::min(silentBy, *phase.giveUpAt);
    output.wait(requests_->wakeSignal, silentBy);
    return std::move(phase);
}

PlaybackLoop::Phase PlaybackLoop::step(BackingOff& phase)
{
    if (stopping_)
        return Finished{};
    // A new request tries again at once.
    if (generation_ != phase.failedGeneration || Clock::now() >= phase.retryAt)
        return Idle{};
    waitForRequest(phase.failedGeneration, phase.retryAt);
    return std::move(phase);
}

PlaybackLoop::Phase PlaybackLoop::step(Finished&)
{
    return Finished{};
}

PlaybackLoop::Phase PlaybackLoop::open()
{
    std::string failure;
    std::unique_ptr<PlaybackOutput> output = open_(shaper_.image()->sampleRate, failure);
    if (!output)
        return failed(failure);
    shaper_.outputEmptied();
    history_.keep(output->longestReplace());
    history_.clear();
    OpenOutput open{std::move(output)};
    if (open.output->status() == PlaybackOutput::Status::Open)
        return Playing{std::move(open)};
    return Opening{std::move(open), Clock::now() + requests_->timing.stallTimeout};
}

PlaybackLoop::Phase PlaybackLoop::failed(const std::string& failure)
{
    if (!failureLogged_ && !stopping_)
        qWarning("%s", failure.c_str());
    failureLogged_ = true;
    if (stopping_)
        return Finished{};
    const Clock::time_point retryAt = Clock::now() + retryDelay_;
    retryDelay_ = std::min(retryDelay_ * 2, requests_->timing.longestRetryDelay);
    return BackingOff{retryAt, generation_};
}

void PlaybackLoop::remake(OpenOutput& open)
{
    open.changed = false;
    const std::size_t replaceable = open.output->replaceable();
    if (replaceable == 0)
        return;
    std::size_t back = 0;
    {
        const std::lock_guard lock(requests_->mutex);
        const std::size_t end = history_.end();
        const ShaperHistory::Point* point = history_.takeBack(replaceable);
        if (!point)
            return;
        back = end - point->frame;
        shaper_ = point->shaper;
        generation_ = point->generation;
        // From the point on, the newest request.
        takeUpRequest();
    }
    open.output->replace(back);
}

void PlaybackLoop::feed(OpenOutput& open, bool tone)
{
    PlaybackOutput& output = *open.output;
    const std::size_t wanted = output.wanted();
    if (wanted == 0)
        return;
    frames_.resize(wanted);
    const std::size_t step =
        open.output->longestReplace() > 0
            ? std::max<std::size_t>(1, output.sampleRate() * kReplaceStep / std::chrono::seconds(1))
            : wanted;
    {
        PlaybackRequests& r = *requests_;
        const std::lock_guard lock(r.mutex);
        // A request that came since the look is taken up before any frame is made, so that a
        // replaced image is never read; the next step acts on it.
        if (r.generation != generation_ || r.stopping != stopping_) {
            takeUpRequest();
            open.changed = true;
            return;
        }
        for (std::size_t made = 0; made < wanted;) {
            const std::span<StereoFrame> out =
                std::span(frames_).subspan(made, std::min(step, wanted - made));
            history_.record(shaper_, generation_);
            if (tone)
                shaper_.render(out, level_);
            else
                shaper_.renderFadeOut(out);
            history_.advance(out.size());
            made += out.size();
        }
    }
    output.write(frames_);
}

void PlaybackLoop::waitForRequest(std::uint64_t generation, std::optional<Clock::time_point> until)
{
    PlaybackRequests& r = *requests_;
    std::unique_lock lock(r.mutex);
    const auto requested = [&] { return r.generation != generation || r.stopping; };
    if (until)
        r.changed.wait_until(lock, *until, requested);
    else
        r.changed.wait(lock, requested);
}

} // namespace tone
