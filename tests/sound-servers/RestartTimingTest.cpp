// Every restart of a tone, made as the engine makes it (Tone_Sound: mute, play, 100 ms,
// unmute), heard at the private sound server's null sink (run.sh) as the old tone, then the
// designed silence, then the new tone. A musician listens for a few seconds between
// changes, so the restarts come 3 s apart.

#include "MonitorRecorder.h"
#include "RestartGap.h"

#include "alsa/AlsaSoundService.h"
#include "pulse/PulseSoundService.h"
#include "tone/TonePlayback.h"
#include "tone/ToneState.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using probe::Clock;
using probe::MonitorRecorder;

const tone::StreamIdentity kTestIdentity{"Parvello Jr. tests", "parvello"};
constexpr auto kPace = 3s;
constexpr int kRestarts = 4;
// The designed 100 ms, give or take what the sink's blocks and the level's ramps blur.
constexpr double kShortestSilenceMs = 70;
constexpr double kLongestSilenceMs = 130;

struct OutputCase
{
    const char* name;
    std::function<std::unique_ptr<tone::SoundService>()> make;
};

class RestartTiming : public testing::TestWithParam<OutputCase>
{
};

double Millis(std::size_t frames)
{
    return 1000.0 * static_cast<double>(frames) / MonitorRecorder::kRate;
}

TEST_P(RestartTiming, EveryRestartIsHeardAsTheDesignedSilence)
{
    const char* sink = std::getenv("SOUND_SERVER_SINK");
    ASSERT_NE(sink, nullptr) << "run through run.sh, which starts the sound server";
    MonitorRecorder recorder(std::string(sink) + ".monitor");
    const std::unique_ptr<tone::SoundService> sound = GetParam().make();
    // The recording's first second dates its frames poorly (MonitorRecorder::startNear).
    sound->pause(1500ms);

    // A4, then A#4 and A4 by turns, at full level, each started as a change of note starts it.
    tone::ToneState state;
    std::vector<Clock::time_point> restarts;
    for (int restart = 0; restart <= kRestarts; ++restart) {
        state.NoteIndex = restart % 2 ? 11 : 10;
        const auto started = Clock::now();
        tone::Tone_Sound(state, *sound, state.CurrentFrequency, 440, 0);
        if (restart > 0)
            restarts.push_back(started);
        std::this_thread::sleep_until(started + kPace);
    }
    sound->stop();

    for (std::size_t i = 0; i < restarts.size(); ++i) {
        const std::int64_t from = recorder.frameAt(restarts[i]);
        const auto gap = probe::FindRestartGap(
            recorder.framesUpTo(from, recorder.frameAt(restarts[i] + kPace - 100ms)),
            MonitorRecorder::kRate);
        ASSERT_TRUE(gap.has_value()) << "restart " << i + 1 << ": no new tone within "
                                     << (kPace - 100ms).count() << " ms";
        const double silence = Millis(gap->silenceEnd - gap->silenceStart);
        EXPECT_GE(silence, kShortestSilenceMs) << "restart " << i + 1;
        EXPECT_LE(silence, kLongestSilenceMs) << "restart " << i + 1;
        std::printf("restart %zu: the old tone falls silent after %.1f ms, silence %.1f ms, "
                    "the new tone after %.1f ms\n",
                    i + 1, Millis(gap->silenceStart), silence, Millis(gap->silenceEnd));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, RestartTiming,
    testing::Values(OutputCase{"sound_server_stream",
                               [] { return std::make_unique<tone::PulseSoundService>(kTestIdentity); }},
                    OutputCase{"alsa_pulse_plugin",
                               [] { return std::make_unique<tone::AlsaSoundService>(kTestIdentity); }}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
