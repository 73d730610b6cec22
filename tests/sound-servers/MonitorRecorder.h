#pragma once

#include <pulse/error.h>
#include <pulse/simple.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace probe {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Records a PulseAudio source on a thread of its own and tells when each recorded frame was
// captured, on this process's steady clock. The recording is continuous at a fixed rate, so
// frame n was captured at t0 + n / rate. After each read the stream's latency is the age of
// the next frame to be read, which dates frame 0; the median of these estimates is taken.
// The sink mixes in blocks, so a single figure is uncertain by a few milliseconds.
class MonitorRecorder
{
public:
    // The tone's own rate, which the sink runs at too, so that nothing is resampled.
    static constexpr unsigned kRate = 22050;
    static constexpr std::size_t kChunkFrames = 32; // 1.5 ms

    explicit MonitorRecorder(const std::string& source)
    {
        const pa_sample_spec format{PA_SAMPLE_S16LE, kRate, 2};
        // Small fragments, so that some reads come soon after their frames were captured.
        constexpr auto kServerDefault = static_cast<std::uint32_t>(-1);
        const pa_buffer_attr attributes{kServerDefault, kServerDefault, kServerDefault,
                                        kServerDefault, kChunkFrames * 4};
        int error = 0;
        stream_ = pa_simple_new(nullptr, "parvello probe", PA_STREAM_RECORD, source.c_str(),
                                "monitor", &format, nullptr, &attributes, &error);
        if (!stream_) {
            std::fprintf(stderr, "cannot record %s: %s\n", source.c_str(), pa_strerror(error));
            std::exit(1);
        }
        thread_ = std::thread([this] { record(); });
    }
    ~MonitorRecorder()
    {
        stopping_ = true;
        thread_.join();
        pa_simple_free(stream_);
    }

    // Looks out for frames louder than `threshold` in what is read from now on. Frames
    // captured earlier but read only now are included: the callers make sure those are
    // quieter.
    void arm(int threshold)
    {
        const std::lock_guard lock(mutex_);
        threshold_ = threshold;
        loudFrame_.reset();
    }

    // The index of the first loud frame since arm(), waiting up to `timeout`.
    std::optional<std::uint64_t> waitForLoudFrame(Clock::duration timeout)
    {
        std::unique_lock lock(mutex_);
        recorded_.wait_for(lock, timeout, [&] { return loudFrame_.has_value(); });
        threshold_ = 0;
        return loudFrame_;
    }

    // Waits until `length` of silence has been recorded.
    bool waitForSilence(Clock::duration length, Clock::duration timeout)
    {
        std::unique_lock lock(mutex_);
        return recorded_.wait_for(lock, timeout, [&] { return quietFor_ >= length; });
    }

    // The recorded frame captured at `time` (before or after the recording).
    std::int64_t frameAt(Clock::time_point time)
    {
        const std::lock_guard lock(mutex_);
        const Clock::time_point zero = startNear(time);
        return std::chrono::duration_cast<std::chrono::nanoseconds>(time - zero).count() *
               std::int64_t{kRate} / 1'000'000'000;
    }

    // Waits until frame `frame` has been recorded, then returns frames `from` to `frame`
    // (left, right), clipped to the recording.
    std::vector<std::array<std::int16_t, 2>> framesUpTo(std::int64_t from, std::int64_t frame)
    {
        std::unique_lock lock(mutex_);
        recorded_.wait_for(lock, 5s,
                           [&] { return static_cast<std::int64_t>(framesRead_) > frame; });
        const auto first = static_cast<std::size_t>(std::max<std::int64_t>(from, 0));
        const auto last =
            std::min(static_cast<std::size_t>(std::max<std::int64_t>(frame, 0)), frames_.size());
        if (first >= last)
            return {};
        return {frames_.begin() + static_cast<std::ptrdiff_t>(first),
                frames_.begin() + static_cast<std::ptrdiff_t>(last)};
    }

    Clock::time_point capturedAt(std::uint64_t frame)
    {
        const std::lock_guard lock(mutex_);
        const auto offset = std::chrono::nanoseconds(frame * 1'000'000'000ull / kRate);
        return startNear(startNear(std::nullopt) + offset) + offset;
    }

private:
    struct Estimate
    {
        Clock::time_point readAt;
        Clock::time_point start;
    };

    // When frame 0 was captured, by the median of the estimates made within a second of
    // `near` (of all, without it), leaving out the first second: the sink's clock drifts
    // against this process's by a few hundred parts per million, a few milliseconds over the
    // minutes of a run.
    Clock::time_point startNear(std::optional<Clock::time_point> near) const
    {
        std::vector<Clock::time_point> starts;
        for (const Estimate& estimate : estimates_) {
            // The stream's first latency reports are unsettled.
            const bool settled = estimate.readAt > estimates_.front().readAt + 1s;
            if (settled &&
                (!near || (estimate.readAt > *near - 1s && estimate.readAt < *near + 1s)))
                starts.push_back(estimate.start);
        }
        if (starts.empty())
            return near ? startNear(std::nullopt) : Clock::time_point{};
        std::nth_element(starts.begin(), starts.begin() + starts.size() / 2, starts.end());
        return starts[starts.size() / 2];
    }

    void record()
    {
        std::array<std::int16_t, kChunkFrames * 2> chunk{};
        while (!stopping_) {
            int error = 0;
            if (pa_simple_read(stream_, chunk.data(), sizeof chunk, &error) < 0)
                return;
            const auto readAt = Clock::now();
            const pa_usec_t latency = pa_simple_get_latency(stream_, &error);
            const std::lock_guard lock(mutex_);
            bool loud = false;
            for (std::size_t frame = 0; frame < kChunkFrames; ++frame) {
                const int level =
                    std::max(std::abs(chunk[2 * frame]), std::abs(chunk[2 * frame + 1]));
                loud = loud || level > 300;
                frames_.push_back({chunk[2 * frame], chunk[2 * frame + 1]});
                if (threshold_ > 0 && !loudFrame_ && level > threshold_)
                    loudFrame_ = framesRead_ + frame;
            }
            framesRead_ += kChunkFrames;
            // The next frame, number framesRead_, was captured `latency` ago.
            const auto framesDuration =
                std::chrono::nanoseconds(framesRead_ * 1'000'000'000ull / kRate);
            if (latency != static_cast<pa_usec_t>(-1))
                estimates_.push_back(
                    {readAt, readAt - std::chrono::microseconds(latency) - framesDuration});
            quietFor_ =
                loud ? Clock::duration::zero()
                     : quietFor_ + std::chrono::microseconds(kChunkFrames * 1'000'000 / kRate);
            recorded_.notify_all();
        }
    }

    pa_simple* stream_ = nullptr;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::condition_variable recorded_;
    int threshold_ = 0;
    std::optional<std::uint64_t> loudFrame_;
    std::uint64_t framesRead_ = 0;
    // Everything recorded, frame by frame.
    std::vector<std::array<std::int16_t, 2>> frames_;
    // Estimates of when frame 0 was captured, one from each read.
    std::vector<Estimate> estimates_;
    Clock::duration quietFor_{};
    std::thread thread_;
};

} // namespace probe
