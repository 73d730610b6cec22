// The playback thread on the sound server's stream, against a scripted server.

#include "NamedCase.h"
#include "ScriptedSoundServer.h"
#include "TaggedTone.h"
#include "WarningLog.h"

#include "playback/PlaybackThread.h"
#include "playback/WaveImageReader.h"
#include "pulse/StreamOutput.h"

#include <pulse/def.h>

#include <gtest/gtest.h>

#include <chrono>
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
    std::unique_ptr<tone::PlaybackThread> thread_;
};

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
