#include "NamedCase.h"
#include "ScriptedPcmDevice.h"
#include "WarningLog.h"
#include "WaveImageSupport.h"

#include "alsa/AlsaPlaybackThread.h"
#include "alsa/WaveImageReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <functional>
#include <future>
#include <memory>

namespace {

using namespace std::chrono_literals;
using tone::AlsaPlaybackThread;
using tone::PcmWait;
using Call = PcmScript::Call;

constexpr std::size_t kPeriod = PcmScript::kPeriodFrames;
constexpr std::size_t kBuffer = PcmScript::kBufferFrames;
constexpr std::uint32_t kFullVolume = 0xFFFFFFFF;

// A 16-bit stereo image whose frames tell where they come from: the left sample is the
// frame's position in the loop, the right one the image's tag.
Bytes TaggedImage(std::int16_t tag, std::size_t frames)
{
    Bytes data;
    for (std::size_t i = 0; i < frames; ++i) {
        Append16(data, static_cast<std::uint16_t>(i));
        Append16(data, static_cast<std::uint16_t>(tag));
    }
    return Riff({Chunk("fmt ", PcmFormat(2, PcmScript::kSampleRate, 16)), Chunk("data", data)});
}

constexpr std::int16_t kToneA = 1111;
constexpr std::int16_t kToneB = 2222;
constexpr std::size_t kLoopLength = 1000;

// Whether `frames` are the loop of the image tagged `tag`, without a frame lost or repeated,
// starting at its frame `from`.
testing::AssertionResult IsLoop(const std::vector<Frame>& frames, std::int16_t tag,
                                std::size_t from = 0)
{
    for (std::size_t k = 0; k < frames.size(); ++k) {
        const Frame expected{static_cast<std::int16_t>((from + k) % kLoopLength), tag};
        if (frames[k] != expected)
            return testing::AssertionFailure()
                   << "frame " << k << " is " << frames[k] << ", not " << expected;
    }
    return testing::AssertionSuccess();
}

bool HasTag(const std::deque<Frame>& queued, std::int16_t tag)
{
    return std::any_of(queued.begin(), queued.end(),
                       [tag](const Frame& frame) { return frame.right == tag; });
}

std::size_t CountLeading(const std::vector<Frame>& frames, const std::function<bool(Frame)>& is)
{
    return static_cast<std::size_t>(std::find_if_not(frames.begin(), frames.end(), is) -
                                    frames.begin());
}

// Fast back-off, and a stall timeout that only the stall tests reach.
constexpr tone::PlaybackTiming kTestTiming{60s, 20ms, 80ms};

class PlaybackThreadTest : public testing::Test
{
public:
    void play(const Bytes& image) { thread_->play(tone::ReadWaveImage(AsSpan(image))); }

protected:
    void start(tone::PlaybackTiming timing = kTestTiming)
    {
        thread_ = std::make_unique<AlsaPlaybackThread>("scripted", script_->opener(), timing);
    }
    // Plays `count` more frames, a period at a time as the device refills.
    std::vector<Frame> playOut(std::size_t count)
    {
        std::vector<Frame> played;
        while (played.size() < count) {
            if (!script_->waitForQueued([](const auto& q) { return q.size() >= kPeriod; })) {
                ADD_FAILURE() << "the device was not refilled";
                break;
            }
            const std::vector<Frame> more = script_->consume(kPeriod);
            played.insert(played.end(), more.begin(), more.end());
        }
        return played;
    }

    std::vector<std::string> failures() const
    {
        std::vector<std::string> lines = log_.lines();
        std::erase_if(lines, [](const std::string& line) {
            return line.find("sound output") == std::string::npos &&
                   line.find("Sound output") == std::string::npos;
        });
        return lines;
    }

    const WarningLog log_;
    const std::shared_ptr<PcmScript> script_ = std::make_shared<PcmScript>();
    const Bytes toneA_ = TaggedImage(kToneA, kLoopLength);
    const Bytes toneB_ = TaggedImage(kToneB, kLoopLength);
    std::unique_ptr<AlsaPlaybackThread> thread_;
};

struct FaultCase
{
    const char* name;
    std::function<void(PcmScript&)> script;
    // Whether the device must be given up and opened again (and the failure logged once).
    bool reopens;
    // Calls that the recovery makes, with how many of each.
    Call recoveryCall;
    std::size_t recoveryCalls;
};

class DeviceFault : public PlaybackThreadTest, public testing::WithParamInterface<FaultCase>
{
};

// The loop goes on: without a frame lost or repeated when the device recovers in place, and
// on a device opened again after one log line when it cannot.
TEST_P(DeviceFault, PlaybackGoesOn)
{
    const FaultCase& c = GetParam();
    start();
    play(toneA_);
    ASSERT_TRUE(script_->waitUntilFull());
    std::vector<Frame> played = script_->consume(150);
    c.script(*script_);
    const std::vector<Frame> more = playOut(4 * kBuffer);
    played.insert(played.end(), more.begin(), more.end());

    EXPECT_EQ(script_->calls(Call::Open), c.reopens ? 2u : 1u);
    EXPECT_EQ(failures().size(), c.reopens ? 1u : 0u);
    EXPECT_EQ(script_->calls(c.recoveryCall), c.recoveryCalls);
    if (c.reopens) {
        EXPECT_TRUE(std::all_of(played.begin(), played.end(),
                                [](const Frame& frame) { return frame.right == kToneA; }));
    } else {
        EXPECT_TRUE(IsLoop(played, kToneA));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, DeviceFault,
    testing::Values(FaultCase{"short_writes",
                              [](PcmScript& s) {
                                  s.scriptWrites({7, 1, 33, 1});
                              },
                              false, Call::Open, 1},
                    FaultCase{"buffer_still_full",
                              [](PcmScript& s) {
                                  s.scriptWrites({-EAGAIN, 0, -EAGAIN});
                              },
                              false, Call::Open, 1},
                    FaultCase{"interrupted_call", [](PcmScript& s) { s.scriptWrites({-EINTR}); },
                              false, Call::Open, 1},
                    FaultCase{"underrun", [](PcmScript& s) { s.scriptWrites({-EPIPE}); }, false,
                              Call::Prepare, 1},
                    FaultCase{"suspend_that_needs_retries",
                              [](PcmScript& s) {
                                  s.scriptWrites({-ESTRPIPE});
                                  s.scriptResume(3, 0);
                              },
                              false, Call::Resume, 4},
                    FaultCase{"suspend_that_cannot_resume",
                              [](PcmScript& s) {
                                  s.scriptWrites({-ESTRPIPE});
                                  s.scriptResume(0, -ENOSYS);
                              },
                              false, Call::Prepare, 1},
                    FaultCase{"wake_ups_without_room",
                              [](PcmScript& s) {
                                  s.scriptWaits({PcmWait::NotReady, PcmWait::NotReady,
                                                 PcmWait::NotReady, PcmWait::TimedOut});
                              },
                              false, Call::Open, 1},
                    FaultCase{"device_gone", [](PcmScript& s) { s.scriptWrites({-ENODEV}); }, true,
                              Call::Close, 1},
                    FaultCase{"input_output_error", [](PcmScript& s) { s.scriptWrites({-EIO}); },
                              true, Call::Close, 1}),
    CaseName<FaultCase>);

TEST_F(PlaybackThreadTest, StalledDeviceIsReopenedAfterTheStallTimeout)
{
    start({50ms, 20ms, 80ms});
    play(toneA_);
    // Nothing is consumed: the device takes a buffer, then no frame at all.
    ASSERT_TRUE(script_->waitForCalls(Call::Open, 2));
    EXPECT_EQ(script_->calls(Call::Close), 1u);
    EXPECT_EQ(failures().size(), 1u);
    // The loop goes on from wherever it had got to.
    const std::vector<Frame> played = playOut(2 * kBuffer);
    EXPECT_TRUE(IsLoop(played, kToneA, static_cast<std::size_t>(played.at(0).left)));
}

TEST_F(PlaybackThreadTest, ReplacementIsHeardWithinOnePeriod)
{
    start();
    play(toneA_);
    ASSERT_TRUE(script_->waitUntilFull());
    const std::vector<Frame> before = script_->consume(150);
    ASSERT_TRUE(script_->waitUntilFull());
    // The thread waits for room in a full device; the request must wake it.
    play(toneB_);
    ASSERT_TRUE(script_->waitForQueued([](const auto& q) { return HasTag(q, kToneB); }))
        << "the new tone was not written while the device was full";
    const std::vector<Frame> after = playOut(2 * kBuffer);

    EXPECT_TRUE(IsLoop(before, kToneA));
    const std::size_t late =
        CountLeading(after, [](const Frame& frame) { return frame.right == kToneA; });
    EXPECT_LE(late, kPeriod) << "frames of the old tone after the request";
    EXPECT_TRUE(IsLoop({after.begin() + static_cast<std::ptrdiff_t>(late), after.end()}, kToneB));
    EXPECT_EQ(script_->calls(Call::Open), 1u);
}

TEST_F(PlaybackThreadTest, StopClosesAFullDeviceAtOnce)
{
    start();
    play(toneA_);
    ASSERT_TRUE(script_->waitUntilFull());
    thread_->play(std::nullopt);
    EXPECT_TRUE(script_->waitForCalls(Call::Close, 1));
}

TEST_F(PlaybackThreadTest, UnmutedToneIsHeardWithinOnePeriod)
{
    start();
    thread_->setPackedVolume(0);
    play(toneA_);
    ASSERT_TRUE(script_->waitUntilFull());
    thread_->setPackedVolume(kFullVolume);
    ASSERT_TRUE(script_->waitForQueued([](const auto& q) { return HasTag(q, kToneA); }));
    const std::vector<Frame> after = playOut(2 * kBuffer);
    const std::size_t silent =
        CountLeading(after, [](const Frame& frame) { return frame == Frame{}; });
    EXPECT_LE(silent, kPeriod) << "silent frames after unmuting";
    ASSERT_LT(silent, after.size());
    const auto from = static_cast<std::size_t>(after[silent].left);
    EXPECT_TRUE(
        IsLoop({after.begin() + static_cast<std::ptrdiff_t>(silent), after.end()}, kToneA, from));
}

TEST_F(PlaybackThreadTest, RetriesOfADeviceThatCannotOpenGrowAndAreLoggedOnce)
{
    script_->failOpens(-ENODEV, 5);
    start();
    play(toneA_);
    ASSERT_TRUE(script_->waitForCalls(Call::Open, 6));
    EXPECT_TRUE(IsLoop(playOut(kBuffer), kToneA));

    const auto times = script_->openTimes();
    const std::chrono::milliseconds least[] = {20ms, 40ms, 80ms, 80ms, 80ms};
    for (std::size_t i = 0; i < std::size(least); ++i)
        EXPECT_GE(times[i + 1] - times[i], least[i]) << "before attempt " << i + 2;
    EXPECT_EQ(failures().size(), 1u);
}

// A device that takes a buffer of frames but plays none (a stream that nothing consumes)
// is an outage all the same: the pause keeps growing and the failure is logged once. Once
// a device really plays, the next failure is a new outage.
TEST_F(PlaybackThreadTest, BackOffGrowsUntilTheDeviceHasReallyPlayed)
{
    start({10ms, 20ms, 160ms});
    play(toneA_);
    ASSERT_TRUE(script_->waitForCalls(Call::Open, 5));
    const auto times = script_->openTimes();
    const std::chrono::milliseconds least[] = {20ms, 40ms, 80ms, 160ms};
    for (std::size_t i = 0; i < std::size(least); ++i)
        EXPECT_GE(times[i + 1] - times[i], least[i]) << "before attempt " << i + 2;
    EXPECT_EQ(failures().size(), 1u);

    playOut(2 * kBuffer);
    // Not consumed any more: the next stall is a new outage.
    const std::size_t opens = script_->calls(Call::Open);
    ASSERT_TRUE(script_->waitForCalls(Call::Open, opens + 1));
    EXPECT_EQ(failures().size(), 2u);
}

struct HangCase
{
    const char* name;
    Call call;
    // Brings the thread into the call that hangs.
    void (*reach)(PlaybackThreadTest&, PcmScript&, const Bytes& other);
};

class HungDevice : public PlaybackThreadTest, public testing::WithParamInterface<HangCase>
{
};

// Whatever call the device hangs in, the owner's destructor returns, and the thread left
// behind touches nothing freed when the call does return: the images are freed first, and
// AddressSanitizer would see a late read.
TEST_P(HungDevice, DestructorReturnsAndTheThreadFinishesLater)
{
    const HangCase& c = GetParam();
    auto image = std::make_unique<Bytes>(toneA_);
    auto other = std::make_unique<Bytes>(toneB_);
    script_->hangIn(c.call);
    start();
    thread_->play(tone::ReadWaveImage(AsSpan(*image)));
    c.reach(*this, *script_, *other);
    if (c.call != Call::Close) {
        ASSERT_TRUE(script_->waitUntilHanging());
    }

    auto destroyed = std::async(std::launch::async, [this] { thread_.reset(); });
    EXPECT_EQ(destroyed.wait_for(10s), std::future_status::ready);
    EXPECT_TRUE(script_->waitUntilHanging());
    std::fill(image->begin(), image->end(), 0xFF);
    image.reset();
    other.reset();

    // The sound server comes back.
    script_->release();
    destroyed.get();
    EXPECT_TRUE(script_->waitForCalls(Call::Close, script_->calls(Call::Open)));
}

INSTANTIATE_TEST_SUITE_P(
    Calls, HungDevice,
    testing::Values(
        HangCase{"opening", Call::Open, [](PlaybackThreadTest&, PcmScript&, const Bytes&) {}},
        HangCase{"writing", Call::Write, [](PlaybackThreadTest&, PcmScript&, const Bytes&) {}},
        HangCase{"discarding_for_a_new_tone", Call::Discard,
                 [](PlaybackThreadTest& t, PcmScript& s, const Bytes& other) {
                     ASSERT_TRUE(s.waitUntilFull());
                     t.play(other);
                 }},
        HangCase{"closing", Call::Close,
                 [](PlaybackThreadTest&, PcmScript& s, const Bytes&) {
                     ASSERT_TRUE(s.waitUntilFull());
                 }}),
    CaseName<HangCase>);

} // namespace
