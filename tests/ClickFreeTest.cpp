#include "NamedCase.h"
#include "ScriptedPcmDevice.h"
#include "StepMeasure.h"
#include "WaveImageSupport.h"

#include "alsa/PcmDeviceOutput.h"
#include "playback/WaveImageReader.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

using namespace std::chrono_literals;

constexpr std::size_t kBuffer = PcmScript::kBufferFrames;
constexpr std::uint32_t kFull = 0xFFFFFFFF;
constexpr std::uint32_t kQuarter = 0x40004000;
// The engine's pause between starting a new tone muted and setting its volume, in frames.
constexpr std::size_t kStartMuteFrames = PcmScript::kSampleRate / 10;
// More than the longest ramp (25 ms) and a buffer.
constexpr std::size_t kSettle = PcmScript::kSampleRate / 40 + 2 * kBuffer;
// No step at any change may exceed the tone's own by more than this.
constexpr double kMostStepRatio = 1.3;

// Drives the playback thread into a scripted device and keeps all it plays, as a sink would.
class SinkRun
{
public:
    SinkRun(const Bytes& toneA, const Bytes& toneB) : a(toneA), b(toneB)
    {
        thread_ = std::make_unique<tone::PlaybackThread>(
            "scripted", tone::PlaybackTiming{60s, 20ms, 80ms, 0ms}, tone::AlsaLoop(script_->opener()));
    }
    ~SinkRun()
    {
        stop();
        thread_.reset();
    }

    void play(const Bytes& image) { thread_->play(tone::ReadWaveImage(AsSpan(image))); }
    void setVolume(std::uint32_t packed) { thread_->setPackedVolume(packed); }
    void playOut(std::size_t count)
    {
        for (std::size_t got = 0; got < count;) {
            ASSERT_TRUE(script_->waitForQueued([](const auto& q) { return !q.empty(); }));
            const std::vector<Frame> more = script_->consume(count - got);
            played.insert(played.end(), more.begin(), more.end());
            got += more.size();
        }
    }
    void stop()
    {
        thread_->play(std::nullopt);
        bool closed = false;
        const std::vector<Frame> rest = script_->playUntilClosed(closed);
        played.insert(played.end(), rest.begin(), rest.end());
        EXPECT_TRUE(closed);
    }

    const Bytes& a;
    const Bytes& b;
    std::vector<Frame> played;

private:
    const std::shared_ptr<PcmScript> script_ = std::make_shared<PcmScript>();
    std::unique_ptr<tone::PlaybackThread> thread_;
};

struct EventCase
{
    const char* name;
    void (*event)(SinkRun&);
    // The higher of the levels involved, and whether the second tone sounds.
    double higherLevel;
    bool bothTones;
};

struct ToneCase
{
    const char* name;
    std::int32_t noteA, octaveA, noteB, octaveB;
};

class ClickFree : public testing::TestWithParam<std::tuple<EventCase, ToneCase>>
{
};

// Every change, whatever the tone, stays within the bound at the frame level: the level
// ramps, and tones fade in and out instead of being cut.
TEST_P(ClickFree, StepsStayNearTheTonesOwn)
{
    const auto& [event, tones] = GetParam();
    const Bytes a = ProjectToneImage(tone::NoteFrequency(440, tones.noteA, tones.octaveA));
    const Bytes b = ProjectToneImage(tone::NoteFrequency(440, tones.noteB, tones.octaveB));
    std::vector<Frame> played;
    {
        SinkRun run(a, b);
        event.event(run);
        played = run.played;
    }
    ASSERT_GE(played.size(), kSettle);
    const double ownStep =
        std::max(LargestStepOfImage(a), event.bothTones ? LargestStepOfImage(b) : 0.0) *
        event.higherLevel;
    EXPECT_LE(LargestStep(played) / ownStep, kMostStepRatio);
}

INSTANTIATE_TEST_SUITE_P(
    Events, ClickFree,
    testing::Combine(testing::Values(EventCase{"start",
                                               [](SinkRun& r) {
                                                   r.play(r.a);
                                                   r.playOut(kSettle);
                                               },
                                               1.0, false},
                                     EventCase{"unmuting_after_the_engines_pause",
                                               [](SinkRun& r) {
                                                   r.setVolume(0);
                                                   r.play(r.a);
                                                   r.playOut(kStartMuteFrames);
                                                   r.setVolume(kFull);
                                                   r.playOut(kSettle);
                                               },
                                               1.0, false},
                                     EventCase{"volume_step_down",
                                               [](SinkRun& r) {
                                                   r.play(r.a);
                                                   r.playOut(kSettle);
                                                   r.setVolume(kQuarter);
                                                   r.playOut(kSettle);
                                               },
                                               1.0, false},
                                     EventCase{"volume_step_up",
                                               [](SinkRun& r) {
                                                   r.setVolume(kQuarter);
                                                   r.play(r.a);
                                                   r.playOut(kSettle);
                                                   r.setVolume(kFull);
                                                   r.playOut(kSettle);
                                               },
                                               1.0, false},
                                     EventCase{"stop",
                                               [](SinkRun& r) {
                                                   r.play(r.a);
                                                   r.playOut(kSettle);
                                                   r.stop();
                                               },
                                               1.0, false},
                                     EventCase{"replacement",
                                               [](SinkRun& r) {
                                                   r.play(r.a);
                                                   r.playOut(kSettle);
                                                   r.play(r.b);
                                                   r.playOut(kSettle);
                                               },
                                               1.0, true},
                                     EventCase{"new_tone_as_the_engine_starts_it",
                                               [](SinkRun& r) {
                                                   r.play(r.a);
                                                   r.playOut(kSettle);
                                                   r.setVolume(0);
                                                   r.play(r.b);
                                                   r.playOut(kStartMuteFrames);
                                                   r.setVolume(kFull);
                                                   r.playOut(kSettle);
                                               },
                                               1.0, true}),
                     testing::Values(ToneCase{"A4_and_E5", 10, 4, 5, 5},
                                     ToneCase{"C1_and_G1", 1, 1, 8, 1},
                                     ToneCase{"C0_and_B7", 1, 0, 12, 7})),
    [](const testing::TestParamInfo<std::tuple<EventCase, ToneCase>>& info) {
        return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).name;
    });

} // namespace
