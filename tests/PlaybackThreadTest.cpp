#include "NamedCase.h"
#include "ScriptedPcmDevice.h"
#include "TaggedTone.h"
#include "WarningLog.h"
#include "WaveImageSupport.h"

#include "alsa/PcmDeviceOutput.h"
#include "playback/WaveImageReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <thread>

namespace {

using namespace std::chrono_literals;
using tone::PcmWait;
using Call = PcmScript::Call;

constexpr std::size_t kPeriod = PcmScript::kPeriodFrames;
constexpr std::size_t kBuffer = PcmScript::kBufferFrames;
constexpr std::uint32_t kFullVolume = 0xFFFFFFFF;

std::size_t CountLeading(const std::vector<Frame>& frames, const std::function<bool(Frame)>& is)
{
    return static_cast<std::size_t>(std::find_if_not(frames.begin(), frames.end(), is) -
                                    frames.begin());
}

// Fast back-off, a stall timeout that only the stall tests reach, no silence before the
// first sound and none after unmuting, so that frames can be counted from the request.
constexpr tone::PlaybackTiming kTestTiming{60s, 20ms, 80ms, 0ms, 0ms};
// A fade of the tagged images lasts the shortest ramp, 1 ms.
constexpr std::size_t kTaggedFade = PcmScript::kSampleRate / 1000 + 1;

class PlaybackThreadTest : public testing::Test
{
public:
    void play(const Bytes& image) { thread_->play(tone::ReadWaveImage(AsSpan(image))); }
    void stop() { thread_->play(std::nullopt); }
    void setVolume(std::uint32_t packed) { thread_->setPackedVolume(packed); }

protected:
    void start(tone::PlaybackTiming timing = kTestTiming)
    {
        thread_ = std::make_unique<tone::PlaybackThread>("scripted", timing,
                                                         tone::AlsaLoop(script_->opener()));
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

    // Stops, and plays what the thread writes until it has closed the device, so that the
    // thread ends at once.
    void TearDown() override
    {
        if (!thread_)
            return;
        thread_->play(std::nullopt);
        bool closed = false;
        script_->playUntilClosed(closed);
        EXPECT_TRUE(closed) << "the device was not closed after the stop";
        thread_.reset();
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
    std::unique_ptr<tone::PlaybackThread> thread_;
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
        // The device opened again starts the tone over after its silence.
        const std::vector<Frame> tail(played.end() - 2 * kBuffer, played.end());
        EXPECT_TRUE(IsLoop(tail, kToneA, static_cast<std::size_t>(tail[0].left)));
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
                                  // The resume is scripted first: the thread may
                                  // meet the suspend as soon as it is scripted.
                                  s.scriptResume(3, 0);
                                  s.scriptWrites({-ESTRPIPE});
                              },
                              false, Call::Resume, 4},
                    FaultCase{"suspend_that_cannot_resume",
                              [](PcmScript& s) {
                                  // The resume is scripted first: the thread may
                                  // meet the suspend as soon as it is scripted.
                                  s.scriptResume(0, -ENOSYS);
                                  s.scriptWrites({-ESTRPIPE});
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
    start({50ms, 20ms, 80ms, 0ms, 0ms});
    play(toneA_);
    // Nothing is consumed: the device takes a buffer, then no frame at all.
    ASSERT_TRUE(script_->waitForCalls(Call::Open, 2));
    EXPECT_EQ(script_->calls(Call::Close), 1u);
    EXPECT_EQ(failures().size(), 1u);
    // The loop comes in again after the new device's silence.
    const std::vector<Frame> played = playOut(3 * kBuffer);
    const std::vector<Frame> tail(played.end() - 2 * kBuffer, played.end());
    EXPECT_TRUE(IsLoop(tail, kToneA, static_cast<std::size_t>(tail[0].left)));
}

// What the device has queued cannot be taken back without a click: the old tone plays it
// out and fades, and the new one follows at once, from its first frame.
TEST_F(PlaybackThreadTest, ReplacementFollowsWhatIsQueuedAfterAFade)
{
    start();
    play(toneA_);
    ASSERT_TRUE(script_->waitUntilFull());
    // A period's room: the thread converts the next period into it, fills the device again,
    // and waits for room before converting one more.
    std::vector<Frame> played = script_->consume(PcmScript::kPeriodFrames);
    ASSERT_TRUE(script_->waitUntilFull());
    // The request must wake that wait, so that the thread takes it up at once and no period
    // of the old tone follows.
    const std::size_t blocked = script_->waitUntilBlocked();
    play(toneB_);
    ASSERT_TRUE(script_->waitUntilBlocked(blocked + 1)) << "the request did not wake the thread";
    const std::vector<Frame> after = playOut(3 * kBuffer);
    played.insert(played.end(), after.begin(), after.end());

    // The old loop, unchanged, up to what was queued at the request.
    std::size_t old = 0;
    while (old < played.size() && IsLoop({played[old]}, kToneA, old))
        ++old;
    EXPECT_EQ(old, PcmScript::kPeriodFrames + kBuffer);
    // Then its fade, never louder than the loop, and the new tone from its first frame.
    const auto newTone = std::find(played.begin() + static_cast<std::ptrdiff_t>(old), played.end(),
                                   Frame{0, kToneB});
    ASSERT_NE(newTone, played.end());
    EXPECT_LE(newTone - played.begin() - static_cast<std::ptrdiff_t>(old),
              static_cast<std::ptrdiff_t>(kTaggedFade));
    for (auto fade = played.begin() + static_cast<std::ptrdiff_t>(old); fade != newTone; ++fade)
        EXPECT_LT(fade->right, kToneA) << "in the fade: " << *fade;
    EXPECT_TRUE(IsLoop({newTone, played.end()}, kToneB));
    EXPECT_EQ(script_->calls(Call::Open), 1u);
}

struct FromSilenceCase
{
    const char* name;
    // Brings the thread to a full device of silence, then brings tone B up.
    void (*act)(PlaybackThreadTest&, PcmScript&, const Bytes& toneB);
};

class ToneFromSilence : public PlaybackThreadTest, public testing::WithParamInterface<FromSilenceCase>
{
};

// Nothing queued is thrown away, not even silence: a tone that comes up from silence
// follows what the device holds, and starts over at its first frame at once at full level.
TEST_P(ToneFromSilence, FollowsWhatIsQueuedFromItsFirstFrame)
{
    start();
    GetParam().act(*this, *script_, toneB_);
    const std::vector<Frame> after = playOut(3 * kBuffer);
    const std::size_t silent =
        CountLeading(after, [](const Frame& frame) { return frame == Frame{}; });
    EXPECT_GE(silent, kBuffer) << "queued silence was thrown away";
    EXPECT_LE(silent, kBuffer + kTaggedFade);
    EXPECT_TRUE(IsLoop({after.begin() + static_cast<std::ptrdiff_t>(silent), after.end()}, kToneB));
}

INSTANTIATE_TEST_SUITE_P(
    Ways, ToneFromSilence,
    testing::Values(FromSilenceCase{"replacing_a_silent_image",
                                    [](PlaybackThreadTest& t, PcmScript& s, const Bytes& b) {
                                        const Bytes silence =
                                            Riff({Chunk("fmt ", PcmFormat(2, PcmScript::kSampleRate, 16)),
                                                  Chunk("data", Bytes(4 * kLoopLength, 0))});
                                        t.play(silence);
                                        ASSERT_TRUE(s.waitUntilFull());
                                        t.play(b);
                                    }},
                    FromSilenceCase{"unmuting",
                                    [](PlaybackThreadTest& t, PcmScript& s, const Bytes& b) {
                                        t.setVolume(0);
                                        t.play(b);
                                        ASSERT_TRUE(s.waitUntilFull());
                                        s.waitUntilBlocked();
                                        t.setVolume(kFullVolume);
                                    }}),
    CaseName<FromSilenceCase>);

// The engine starts two tones in a row by unmuting the first and muting it again at once:
// a volume that comes up from 0 counts only once it has stood for a while, so that a period
// made meanwhile is silent and the first tone is never heard. Once it has stood, it sounds.
TEST_F(PlaybackThreadTest, VolumeUpOnlyForAMomentIsNeverHeard)
{
    start({60s, 20ms, 80ms, 0ms, 200ms});
    setVolume(0);
    play(toneA_);
    ASSERT_TRUE(script_->waitUntilFull());
    setVolume(kFullVolume);
    script_->consume(kPeriod);
    // A period made while the volume is up, well within the 200 ms.
    ASSERT_TRUE(script_->waitUntilFull());
    setVolume(0);
    const std::deque<Frame> queued = script_->queued();
    EXPECT_TRUE(std::all_of(queued.begin(), queued.end(), [](const Frame& f) { return f == Frame{}; }))
        << "the tone was heard while the volume was up for a moment";

    setVolume(kFullVolume);
    std::this_thread::sleep_for(250ms);
    const std::vector<Frame> after = playOut(2 * kBuffer);
    EXPECT_TRUE(IsLoop({after.end() - kBuffer, after.end()}, kToneA,
                       static_cast<std::size_t>(after[after.size() - kBuffer].left)));
}

// A stop fades the tone out after what is queued, and the device is closed once it holds
// nothing but silence, so that closing cuts nothing off.
TEST_F(PlaybackThreadTest, StopFadesOutAndClosesOverSilence)
{
    start();
    play(toneA_);
    ASSERT_TRUE(script_->waitUntilFull());
    const std::size_t blocked = script_->waitUntilBlocked();
    thread_->play(std::nullopt);
    ASSERT_TRUE(script_->waitUntilBlocked(blocked + 1)) << "the request did not wake the thread";
    bool closed = false;
    const std::vector<Frame> played = script_->playUntilClosed(closed);
    ASSERT_TRUE(closed);

    std::size_t old = 0;
    while (old < played.size() && IsLoop({played[old]}, kToneA, old))
        ++old;
    // Nothing of the tone follows what was queued at the request but its fade.
    EXPECT_EQ(old, kBuffer);
    // The fade reaches silence within its length, and what closing threw away is silence.
    ASSERT_LE(old + kTaggedFade, played.size());
    EXPECT_EQ(played[old + kTaggedFade - 1], Frame{});
    for (std::size_t k = old; k < old + kTaggedFade; ++k)
        EXPECT_LT(played[k].right, kToneA) << "in the fade: " << played[k];
    const std::vector<Frame> cut = script_->lastCut();
    EXPECT_TRUE(std::all_of(cut.begin(), cut.end(), [](const Frame& f) { return f == Frame{}; }))
        << "closing cut off sound";
    EXPECT_TRUE(std::all_of(played.begin() + static_cast<std::ptrdiff_t>(old + kTaggedFade),
                            played.end(), [](const Frame& f) { return f == Frame{}; }));
}

// Once the device is full, the thread holds no period converted ahead: a volume step made
// meanwhile starts with the first frame after what the device holds.
TEST_F(PlaybackThreadTest, VolumeStepFollowsWhatIsQueued)
{
    start();
    play(toneA_);
    ASSERT_TRUE(script_->waitUntilFull());
    script_->waitUntilBlocked();
    setVolume(0x40004000);
    const std::vector<Frame> played = playOut(2 * kBuffer);

    EXPECT_TRUE(IsLoop({played.begin(), played.begin() + kBuffer}, kToneA));
    EXPECT_LT(played[kBuffer].right, kToneA) << "the step did not start after the queue";
    const std::int16_t quarter = tone::StereoGain::Scale(kToneA, 0x4000);
    EXPECT_EQ(played[kBuffer + kTaggedFade].right, quarter);
}

TEST_F(PlaybackThreadTest, RetriesOfADeviceThatCannotOpenGrowAndAreLoggedOnce)
{
    script_->failOpens(-ENODEV, 5);
    start();
    play(toneA_);
    ASSERT_TRUE(script_->waitForCalls(Call::Open, 6));
    EXPECT_TRUE(IsLoop(playOut(kBuffer), kToneA)) << "the first device that opens plays";

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
    start({10ms, 20ms, 160ms, 0ms, 0ms});
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

    // The sound server comes back; the thread left behind winds down and closes its device.
    script_->release();
    destroyed.get();
    bool closed = false;
    script_->playUntilClosed(closed);
    EXPECT_TRUE(closed);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, HungDevice,
    testing::Values(
        HangCase{"opening", Call::Open, [](PlaybackThreadTest&, PcmScript&, const Bytes&) {}},
        HangCase{"writing", Call::Write, [](PlaybackThreadTest&, PcmScript&, const Bytes&) {}},
        HangCase{"closing", Call::Close,
                 [](PlaybackThreadTest& t, PcmScript& s, const Bytes&) {
                     ASSERT_TRUE(s.waitUntilFull());
                     t.stop();
                     ASSERT_TRUE(s.playUntilHanging());
                 }}),
    CaseName<HangCase>);

} // namespace
