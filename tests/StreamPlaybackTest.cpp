// The playback thread on the sound server's stream, against a scripted server.

#include "NamedCase.h"
#include "ScriptedSoundServer.h"
#include "TaggedTone.h"
#include "WarningLog.h"

#include "playback/PlaybackThread.h"
#include "playback/StereoGain.h"
#include "playback/WaveImageReader.h"
#include "pulse/StreamOutput.h"

#include <pulse/def.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <thread>

namespace {

using namespace std::chrono_literals;

// A short stall timeout and fast back-off, no silence before the first sound and none after
// unmuting, so that frames can be counted from the request.
constexpr tone::PlaybackTiming kStreamTiming{50ms, 20ms, 80ms, 0ms, 0ms};

class StreamPlaybackTest : public testing::Test
{
public:
    void play(const Bytes& image) { thread_->play(tone::ReadWaveImage(AsSpan(image))); }
    void stop() { thread_->play(std::nullopt); }
    void setVolume(std::uint32_t packed) { thread_->setPackedVolume(packed); }
    ServerScript& server() { return *script_; }

    // Plays `count` more frames, a little at a time as the thread refills the stream.
    std::vector<Frame> playOut(std::size_t count)
    {
        constexpr std::size_t kStep = 100;
        std::vector<Frame> played;
        while (played.size() < count) {
            if (!script_->waitForQueued(kStep)) {
                ADD_FAILURE() << "the stream was not refilled";
                break;
            }
            const std::vector<Frame> more = script_->consume(kStep);
            played.insert(played.end(), more.begin(), more.end());
        }
        return played;
    }

protected:
    void start(tone::PlaybackTiming timing = kStreamTiming)
    {
        thread_ = std::make_unique<tone::PlaybackThread>("scripted server", timing,
                                                         tone::PulseLoop(script_->maker()));
    }

    // Stops, and plays what the thread writes until it has closed its stream, so that the
    // thread ends at once.
    void TearDown() override
    {
        if (!thread_)
            return;
        stop();
        const auto giveUp = std::chrono::steady_clock::now() + 10s;
        while (script_->openStreams() > 0 && std::chrono::steady_clock::now() < giveUp) {
            script_->consume(100);
            std::this_thread::sleep_for(1ms);
        }
        EXPECT_EQ(script_->openStreams(), 0u) << "the stream was not closed after the stop";
        thread_.reset();
    }

    const WarningLog log_;
    const std::shared_ptr<ServerScript> script_ = std::make_shared<ServerScript>();
    const Bytes toneA_ = TaggedImage(kToneA, kLoopLength);
    const Bytes toneB_ = TaggedImage(kToneB, kLoopLength);
    std::unique_ptr<tone::PlaybackThread> thread_;
};

// Frames at the tagged images' rate.
constexpr std::size_t Frames(std::chrono::microseconds time)
{
    return static_cast<std::size_t>(time.count()) * kTaggedRate / 1'000'000;
}
// A fade of the tagged images lasts the shortest ramp, 1 ms.
constexpr std::size_t kTaggedFade = kTaggedRate / 1000 + 1;
// A change may start up to a block of the tone (5 ms) after the margin.
constexpr std::size_t kLatestChange =
    Frames(tone::StreamOutput::kReplaceMargin) + kTaggedRate / 200;

// Whether `frames` fade from the loop of tone A within kTaggedFade, never louder than it,
// and then satisfy `rest` to their end.
testing::AssertionResult FadeThen(const std::vector<Frame>& frames,
                                  const std::function<bool(const Frame&)>& rest)
{
    if (frames.size() < kTaggedFade)
        return testing::AssertionFailure() << "only " << frames.size() << " frames";
    for (std::size_t k = 0; k < kTaggedFade; ++k) {
        if (std::abs(frames[k].right) > kToneA && !rest(frames[k]))
            return testing::AssertionFailure() << "in the fade, frame " << k << " is " << frames[k];
    }
    for (std::size_t k = kTaggedFade; k < frames.size(); ++k) {
        if (!rest(frames[k]))
            return testing::AssertionFailure() << "frame " << k << " is " << frames[k];
    }
    return testing::AssertionSuccess();
}

struct ChangeCase
{
    const char* name;
    void (*change)(StreamPlaybackTest&, const Bytes& other);
    // Whether what the server holds from the first changed frame on is right.
    testing::AssertionResult (*changed)(const std::vector<Frame>& frames);
};

class ChangeOnStream : public StreamPlaybackTest, public testing::WithParamInterface<ChangeCase>
{
};

// A change does not wait for the half second that the stream holds: what the server holds
// is made again from the margin past where it reads, continuing the old tone exactly up to
// there, and the stream holds a full buffer again.
TEST_P(ChangeOnStream, ReplacesWhatTheServerHoldsFromTheMarginOn)
{
    start();
    play(toneA_);
    const std::vector<Frame> before = playOut(2000);
    ASSERT_TRUE(IsLoop(before, kToneA));
    // The change must wake the thread.
    ASSERT_TRUE(server().waitUntilIdle());
    GetParam().change(*this, toneB_);
    ASSERT_TRUE(server().waitForReplacements(1)) << "what the server holds was not replaced";
    const std::deque<Frame> queued = server().queued();
    EXPECT_EQ(queued.size(), Frames(tone::StreamOutput::kTargetLength))
        << "the stream no longer holds a full buffer";

    const std::vector<Frame> after(queued.begin(), queued.end());
    std::size_t old = 0;
    while (old < after.size() && IsLoop({after[old]}, kToneA, before.size() + old))
        ++old;
    EXPECT_GE(old, Frames(tone::StreamOutput::kReplaceMargin))
        << "frames about to be heard changed";
    EXPECT_LE(old, kLatestChange) << "the change comes late";
    EXPECT_TRUE(
        GetParam().changed({after.begin() + static_cast<std::ptrdiff_t>(old), after.end()}));
}

INSTANTIATE_TEST_SUITE_P(
    Changes, ChangeOnStream,
    testing::Values(
        ChangeCase{"replacement", [](StreamPlaybackTest& t, const Bytes& other) { t.play(other); },
                   [](const std::vector<Frame>& frames) {
                       // The old tone's fade, then the new one from its first frame.
                       const auto start = std::find(frames.begin(), frames.end(), Frame{0, kToneB});
                       if (start - frames.begin() > static_cast<std::ptrdiff_t>(kTaggedFade))
                           return testing::AssertionFailure() << "the new tone starts late";
                       return IsLoop({start, frames.end()}, kToneB);
                   }},
        ChangeCase{"volume_step",
                   [](StreamPlaybackTest& t, const Bytes&) { t.setVolume(0x40004000); },
                   [](const std::vector<Frame>& frames) {
                       return FadeThen(frames, [](const Frame& frame) {
                           return frame.right == tone::StereoGain::Scale(kToneA, 0x4000);
                       });
                   }},
        ChangeCase{"stop", [](StreamPlaybackTest& t, const Bytes&) { t.stop(); },
                   [](const std::vector<Frame>& frames) {
                       return FadeThen(frames, [](const Frame& frame) { return frame == Frame{}; });
                   }}),
    CaseName<ChangeCase>);

// A server that goes away while a tone plays is reached again, after one log line, and the
// tone comes back on the new stream.
TEST_F(StreamPlaybackTest, LostConnectionIsMadeAgain)
{
    start();
    play(toneA_);
    playOut(2000);
    server().failStream(PA_ERR_CONNECTIONTERMINATED);
    ASSERT_TRUE(server().waitForConnects(2));
    const std::vector<Frame> played = playOut(2 * kLoopLength);
    EXPECT_TRUE(IsLoop(played, kToneA, static_cast<std::size_t>(played[0].left)));
    EXPECT_EQ(log_.count("Sound server connection failed"), 1u);
}

struct StallCase
{
    const char* name;
    // With the server holding every connection in the connecting state, brings the thread
    // to where it has nothing to do but wait: for a request, or to try again.
    void (*act)(StreamPlaybackTest&, const Bytes& tone);
    // Whether the tone is to play once the server answers, without a new request.
    bool stillRequested;
};

class StalledServer : public StreamPlaybackTest, public testing::WithParamInterface<StallCase>
{
};

// A server that does not answer (a stopped process) costs the thread nothing: it waits
// without waking over and over, and once the server answers, the tone is heard.
TEST_P(StalledServer, LeavesTheThreadWaitingUntilItAnswers)
{
    server().holdConnecting();
    start();
    GetParam().act(*this, toneA_);
    // Past the stall timeout of the connection asked for.
    std::this_thread::sleep_for(kStreamTiming.stallTimeout * 2);
    const std::size_t runs = server().runs();
    std::this_thread::sleep_for(100ms);
    // A retry every 80 ms at most, and a wait or two for each.
    EXPECT_LE(server().runs() - runs, 6u) << "the thread keeps waking with nothing to do";

    server().answer();
    if (!GetParam().stillRequested)
        play(toneA_);
    EXPECT_TRUE(IsLoop(playOut(2 * kLoopLength), kToneA));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StalledServer,
    testing::Values(StallCase{"stop_while_connecting",
                              [](StreamPlaybackTest& t, const Bytes& tone) {
                                  t.play(tone);
                                  ASSERT_TRUE(t.server().waitForConnects(1));
                                  t.stop();
                                  ASSERT_TRUE(t.server().waitUntilClosed());
                              },
                              false},
                    StallCase{"stall_timeout_while_connecting",
                              [](StreamPlaybackTest& t, const Bytes& tone) {
                                  t.play(tone);
                                  ASSERT_TRUE(t.server().waitForConnects(2))
                                      << "the connection was not given up and tried again";
                              },
                              true}),
    CaseName<StallCase>);

} // namespace
