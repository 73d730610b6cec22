#include "FileSinkOutput.h"
#include "NamedCase.h"
#include "StepMeasure.h"
#include "WarningLog.h"
#include "WaveImageSupport.h"

#include "alsa/AlsaPcmOutput.h"
#include "alsa/AlsaSoundService.h"
#include "pulse/PulseSoundService.h"

#include <QString>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <functional>
#include <latch>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <thread>

namespace {

using tone::AlsaSoundService;

const tone::StreamIdentity kTestIdentity{"Parvello Jr. tests", "parvello"};

// More frames than the pipe, the file plugin's own buffer and the PCM's buffer can hold
// together: the service can never be further ahead of the test than this.
constexpr std::size_t kFramesInFlight = 65536;

// How far a change (a new tone, a new volume) may come after the frames read before it, at
// 22050 Hz: the frames that the service had written by then cannot be taken back (what the
// pipe holds, up to a buffer in the file plugin and one in the PCM), and the old tone fades
// out after them; nothing more.
constexpr std::uint32_t kFullVolume = 0xFFFFFFFF;

// The file plugin's pipe takes frames as fast as the test reads them, far faster than a
// sound card, while a volume that comes up from 0 counts only once it has stood for a while:
// the test waits that long, with the pipe full, before it reads on.
void UnmuteAndLetItStand(AlsaSoundService& service)
{
    service.setVolume(kFullVolume);
    service.pause(tone::PlaybackTiming{}.unmuteSettle + std::chrono::milliseconds(5));
}

constexpr std::size_t kMostFramesBeforeAChange =
    FileSinkOutput::kPipeFrames +
    2 * tone::AlsaPcmOutput::kRequestedBufferTime * 22050 / std::chrono::seconds(1) +
    22050 * 25 / 1000 + 1;

// Tells whether frame `k` of the output is the one expected there.
using FrameCheck = std::function<bool(const Frame& frame, std::size_t k)>;

// The data chunk of an image of the program's own format (8-bit mono, 44-byte header).
struct MonoSamples
{
    explicit MonoSamples(const Bytes& image)
        : samples(image.begin() + 44, image.begin() + 44 + Read32(image, 40))
    {
    }
    std::size_t size() const { return samples.size(); }
    std::uint8_t at(std::size_t frame) const { return samples[frame % samples.size()]; }
    Bytes samples;
};

// Frame k is the image's sample (k + offset) of the loop widened to 16 bits and scaled by
// the packed volume's levels, to within rounding.
FrameCheck Scaled(const MonoSamples& samples, std::uint32_t packedVolume, std::size_t offset = 0)
{
    return [&samples, packedVolume, offset](const Frame& frame, std::size_t k) {
        const double full = (samples.at(k + offset) - 128) * 256.0;
        return std::abs(frame.left - full * (packedVolume & 0xFFFF) / 65535.0) <= 1.0 &&
               std::abs(frame.right - full * (packedVolume >> 16) / 65535.0) <= 1.0;
    };
}

testing::AssertionResult AllMatch(const std::vector<Frame>& frames, const FrameCheck& check,
                                  std::size_t from = 0)
{
    for (std::size_t k = from; k < frames.size(); ++k) {
        if (!check(frames[k], k))
            return testing::AssertionFailure() << "frame " << k << " is " << frames[k];
    }
    return testing::AssertionSuccess();
}

// Whether the loop that follows a switch starts over or goes on from where it was.
enum class AfterSwitch { StartsOver, GoesOn };

// The longest ramp of the level, at `sampleRate`: a change of level, or a tone's fade in
// or out, takes at most this many frames.
constexpr std::size_t LongestRamp(std::size_t sampleRate)
{
    return sampleRate * 25 / 1000 + 1;
}

// Where the output stops following `before` and, after a ramp of at most `ramp` frames,
// follows `after` to its end, or nothing when there is no such point.
std::optional<std::size_t> FindSwitch(const std::vector<Frame>& frames, const FrameCheck& before,
                                      const FrameCheck& after, AfterSwitch loop,
                                      std::size_t ramp = LongestRamp(22050))
{
    std::size_t lastBefore = 0;
    while (lastBefore < frames.size() && before(frames[lastBefore], lastBefore))
        ++lastBefore;
    // Frames near the switch may fit both; the earliest point that fits the rest wins.
    for (std::size_t start = 0; start <= std::min(lastBefore + ramp, frames.size()); ++start) {
        const std::size_t shift = loop == AfterSwitch::StartsOver ? start : 0;
        const auto shifted = [&](const Frame& frame, std::size_t k) {
            return after(frame, k - shift);
        };
        if (AllMatch(frames, shifted, start))
            return start;
    }
    return std::nullopt;
}

// Whether `frames` follow `check` up to some frame, then fade within a ramp to silence, and
// stay silent to their end.
testing::AssertionResult FadesToSilence(const std::vector<Frame>& frames, const FrameCheck& check)
{
    std::size_t followed = 0;
    while (followed < frames.size() && check(frames[followed], followed))
        ++followed;
    const auto loud = std::find_if(frames.rbegin(), frames.rend(),
                                   [](const Frame& frame) { return frame != Frame{}; });
    const auto sound = static_cast<std::size_t>(frames.rend() - loud);
    if (sound > followed + LongestRamp(22050))
        return testing::AssertionFailure() << "sound goes on until frame " << sound
                                           << ", the image was followed until " << followed;
    if (sound == frames.size())
        return testing::AssertionFailure() << "no silence at the end";
    return testing::AssertionSuccess();
}

// A 16-bit stereo image at 44100 Hz whose channels differ, `frames` frames long.
Frame StereoRampFrame(std::size_t frame)
{
    return {static_cast<std::int16_t>(frame * 61 - 30000),
            static_cast<std::int16_t>(25000 - frame * 47)};
}
Bytes StereoRampImage(std::size_t frames)
{
    Bytes data;
    for (std::size_t i = 0; i < frames; ++i) {
        Append16(data, static_cast<std::uint16_t>(StereoRampFrame(i).left));
        Append16(data, static_cast<std::uint16_t>(StereoRampFrame(i).right));
    }
    return Riff({Chunk("fmt ", PcmFormat(2, 44100, 16)), Chunk("data", data)});
}
FrameCheck StereoRamp(std::size_t length)
{
    return [length](const Frame& frame, std::size_t k) {
        return frame == StereoRampFrame(k % length);
    };
}

// Frees an image the way a caller may once a later request has returned: its bytes are
// first overwritten, so that a late read shows up in the output even without
// AddressSanitizer, which reports it as a use after free.
void Discard(std::unique_ptr<Bytes>& image)
{
    std::fill(image->begin(), image->end(), 0xFF);
    image.reset();
}

class AlsaSoundServiceTest : public testing::Test
{
protected:
    void play(const Bytes& image)
    {
        service_->playLooped(AsSpan(image));
        played_ = true;
    }

    // Keeps an image alive until the service is gone, as the service's callers must.
    const Bytes& keep(Bytes image) { return images_.emplace_back(std::move(image)); }

    // Everything read since the last call, with `more` frames read on.
    std::vector<Frame> readOn(std::vector<Frame> frames, std::size_t more)
    {
        const std::vector<Frame> rest = output_.read(more);
        frames.insert(frames.end(), rest.begin(), rest.end());
        return frames;
    }

    void TearDown() override
    {
        // The service's writes block on a full pipe: the output is read until the service
        // closes the PCM, so that its destructor never waits for a reader.
        service_->stop();
        if (played_ && !output_.ended())
            output_.readUntilEnd(kFramesInFlight);
        service_.reset();
    }

    std::deque<Bytes> images_;
    FileSinkOutput output_; // configures ALSA before the service exists
    std::unique_ptr<AlsaSoundService> service_ = std::make_unique<AlsaSoundService>(kTestIdentity);
    bool played_ = false;
};

struct LoopCase
{
    const char* name;
    Bytes (*image)();
    std::size_t length;
};

class LoopedImage : public AlsaSoundServiceTest, public testing::WithParamInterface<LoopCase>
{
};

TEST_P(LoopedImage, RepeatsTheDataChunkSeamlesslyAsStereo16Bit)
{
    const Bytes& image = keep(GetParam().image());
    const MonoSamples samples(image);
    ASSERT_EQ(samples.size(), GetParam().length);

    play(image);
    // Two passes and a bit: both seams, where the last sample is followed by the first.
    const std::vector<Frame> frames = output_.read(2 * samples.size() + 500);
    ASSERT_EQ(frames.size(), 2 * samples.size() + 500);
    ASSERT_EQ(output_.setups().size(), 1u);
    EXPECT_EQ(output_.setups()[0].sampleRate, 22050u);
    EXPECT_EQ(output_.setups()[0].channels, 2u);
    EXPECT_EQ(output_.setups()[0].bitsPerSample, 16u);
    EXPECT_TRUE(AllMatch(frames, [&](const Frame& frame, std::size_t k) {
        return frame.left == (samples.at(k) - 128) * 256 && frame.right == frame.left;
    }));
}

INSTANTIATE_TEST_SUITE_P(ProjectImages, LoopedImage,
                         testing::Values(LoopCase{"even_length", EvenLengthToneImage, 44100},
                                         LoopCase{"odd_length_with_pad_byte", OddLengthToneImage,
                                                  44163}),
                         CaseName<LoopCase>);

TEST_F(AlsaSoundServiceTest, SixteenBitStereoImagePlaysAtItsOwnRate)
{
    play(keep(StereoRampImage(1000)));
    const std::vector<Frame> frames = output_.read(2500);
    ASSERT_EQ(frames.size(), 2500u);
    ASSERT_EQ(output_.setups().size(), 1u);
    EXPECT_EQ(output_.setups()[0].sampleRate, 44100u);
    // It does not start at its middle level, so it fades in.
    EXPECT_TRUE(AllMatch(frames, StereoRamp(1000), LongestRamp(44100)));
}

TEST_F(AlsaSoundServiceTest, ReplacementSwitchesToTheNewImageFromItsStart)
{
    auto first = std::make_unique<Bytes>(EvenLengthToneImage());
    const Bytes& second = keep(OddLengthToneImage());
    const MonoSamples before(*first), after(second);

    play(*first);
    const std::vector<Frame> start = output_.read(5000);
    play(second);
    Discard(first);
    // Whatever the service had written before the request, then a pass of the new image
    // and its seam.
    const std::vector<Frame> frames = readOn(start, kFramesInFlight + after.size() + 500);
    ASSERT_FALSE(output_.ended());
    const std::optional<std::size_t> switchAt = FindSwitch(
        frames, Scaled(before, kFullVolume), Scaled(after, kFullVolume), AfterSwitch::StartsOver);
    ASSERT_TRUE(switchAt.has_value()) << "the output is not the old image, then the new one";
    EXPECT_LE(*switchAt, start.size() + kMostFramesBeforeAChange);
    // The same PCM goes on: the old image's queued frames are dropped, not the device.
    EXPECT_EQ(output_.setups().size(), 1u);
}

TEST_F(AlsaSoundServiceTest, ReplacementAtAnotherRateReopensTheOutput)
{
    auto first = std::make_unique<Bytes>(EvenLengthToneImage());
    const MonoSamples before(*first);

    play(*first);
    const std::size_t readBefore = output_.read(3000).size();
    play(keep(StereoRampImage(700)));
    Discard(first);
    const std::vector<Frame> rest = output_.read(kFramesInFlight);
    EXPECT_TRUE(output_.ended()) << "the PCM at 22050 Hz was not closed";
    EXPECT_TRUE(FadesToSilence(rest, Scaled(before, kFullVolume, readBefore)))
        << "the old image goes on, unchanged, then fades before its PCM is closed";

    const std::vector<Frame> frames = output_.read(2500);
    ASSERT_EQ(output_.setups().size(), 2u);
    EXPECT_EQ(output_.setups()[1].sampleRate, 44100u);
    ASSERT_EQ(frames.size(), 2500u);
    EXPECT_TRUE(AllMatch(frames, StereoRamp(700), LongestRamp(44100)));
}

TEST_F(AlsaSoundServiceTest, StopClosesTheOutputAndPlayingAgainStartsOver)
{
    const Bytes& image = keep(EvenLengthToneImage());
    const MonoSamples samples(image);
    for (std::size_t round = 1; round <= 2; ++round) {
        play(image);
        const std::vector<Frame> frames = output_.read(3000);
        ASSERT_EQ(frames.size(), 3000u);
        EXPECT_TRUE(AllMatch(frames, Scaled(samples, kFullVolume))) << "round " << round;
        service_->stop();
        // The output ends: the service closed the PCM.
        output_.readUntilEnd(kFramesInFlight);
        EXPECT_EQ(output_.setups().size(), round);
    }
}

TEST_F(AlsaSoundServiceTest, DestroyingWhilePlayingClosesTheOutput)
{
    play(keep(EvenLengthToneImage()));
    EXPECT_EQ(output_.read(2000).size(), 2000u);
    // The service is destroyed on another thread while this one reads on, since the
    // destructor waits for the playback thread's write, blocked on the full pipe. How much
    // is written before that thread gets to run is up to the scheduler, so the bound on the
    // frames that follow is only a safety net against a service that never stops.
    std::latch destroying(1);
    std::thread destroyer([this, &destroying] {
        destroying.count_down();
        service_.reset();
    });
    destroying.wait();
    output_.readUntilEnd(std::size_t{1} << 26);
    destroyer.join();
    service_ = std::make_unique<AlsaSoundService>(kTestIdentity);
    played_ = false;
}

struct RefusedCase
{
    const char* name;
    void (*spoil)(Bytes&);
};

class RefusedImage : public AlsaSoundServiceTest, public testing::WithParamInterface<RefusedCase>
{
};

TEST_P(RefusedImage, StopsWhatPlays)
{
    auto playing = std::make_unique<Bytes>(EvenLengthToneImage());
    const MonoSamples samples(*playing);
    play(*playing);
    const std::size_t readBefore = output_.read(2000).size();

    auto refused = std::make_unique<Bytes>(OddLengthToneImage());
    GetParam().spoil(*refused);
    // Exactly its own size, so that AddressSanitizer sees any read past the end.
    refused = std::make_unique<Bytes>(*refused);
    service_->playLooped(AsSpan(*refused));
    Discard(refused);
    Discard(playing);

    const std::vector<Frame> rest = output_.read(kFramesInFlight);
    EXPECT_TRUE(output_.ended()) << "the old image went on playing";
    EXPECT_TRUE(FadesToSilence(rest, Scaled(samples, kFullVolume, readBefore)));
}

INSTANTIATE_TEST_SUITE_P(
    Headers, RefusedImage,
    testing::Values(
        RefusedCase{"truncated_span", [](Bytes& b) { b.resize(b.size() / 2); }},
        RefusedCase{"riff_size_beyond_span", [](Bytes& b) { Write32(b, 4, Read32(b, 4) + 9); }},
        RefusedCase{"data_size_beyond_span",
                    [](Bytes& b) { Write32(b, 40, static_cast<std::uint32_t>(b.size())); }},
        RefusedCase{"format_tag_not_pcm", [](Bytes& b) { Write16(b, 20, 2); }},
        RefusedCase{"data_chunk_missing", [](Bytes& b) { b[36] = 'D'; }},
        RefusedCase{"zero_length_data", [](Bytes& b) { Write32(b, 40, 0); }}),
    CaseName<RefusedCase>);

struct VolumeCase
{
    const char* name;
    std::uint32_t packedVolume;
};

class Volume : public AlsaSoundServiceTest, public testing::WithParamInterface<VolumeCase>
{
};

TEST_P(Volume, ScalesEachChannelByItsOwnLevel)
{
    const Bytes& image = keep(EvenLengthToneImage());
    const MonoSamples samples(image);
    service_->setVolume(GetParam().packedVolume);
    EXPECT_EQ(service_->volume(), GetParam().packedVolume);
    play(image);
    const std::vector<Frame> frames = output_.read(samples.size() + 100);
    ASSERT_EQ(frames.size(), samples.size() + 100);
    EXPECT_TRUE(AllMatch(frames, Scaled(samples, GetParam().packedVolume)));
}

INSTANTIATE_TEST_SUITE_P(Levels, Volume,
                         testing::Values(VolumeCase{"full", 0xFFFFFFFF},
                                         VolumeCase{"left_only", 0x0000FFFF},
                                         VolumeCase{"right_only", 0xFFFF0000},
                                         VolumeCase{"left_half_right_quarter", 0x40008000},
                                         VolumeCase{"left_quarter_right_full", 0xFFFF4000},
                                         VolumeCase{"silent", 0}),
                         CaseName<VolumeCase>);

TEST_F(AlsaSoundServiceTest, VolumeChangeWhilePlayingKeepsTheLoopGoing)
{
    const Bytes& image = keep(EvenLengthToneImage());
    const MonoSamples samples(image);
    constexpr std::uint32_t kLower = 0x30009000;
    play(image);
    const std::vector<Frame> start = output_.read(4000);
    service_->setVolume(kLower);
    const std::vector<Frame> frames = readOn(start, kFramesInFlight + 2000);

    // Full level up to some frame, the new levels from there on, with no jump in the loop.
    const std::optional<std::size_t> change = FindSwitch(
        frames, Scaled(samples, kFullVolume), Scaled(samples, kLower), AfterSwitch::GoesOn);
    ASSERT_TRUE(change.has_value());
    EXPECT_GE(*change, 1u);
    EXPECT_LE(*change, start.size() + kMostFramesBeforeAChange);
}

TEST_F(AlsaSoundServiceTest, UnmutingGoesOnWithTheLoopAtTheNewLevel)
{
    // A tone starts muted and is then unmuted: silence, then the loop at full level.
    const Bytes& image = keep(EvenLengthToneImage());
    const MonoSamples samples(image);
    service_->setVolume(0);
    play(image);
    const std::vector<Frame> muted = output_.read(4000);
    EXPECT_TRUE(AllMatch(muted, [](const Frame& frame, std::size_t) { return frame == Frame{}; }));
    UnmuteAndLetItStand(*service_);
    std::vector<Frame> frames = output_.read(kFramesInFlight + 2 * samples.size());

    const auto firstSound = std::find_if(frames.begin(), frames.end(),
                                         [](const Frame& frame) { return frame != Frame{}; });
    ASSERT_NE(firstSound, frames.end());
    frames.erase(frames.begin(), firstSound);
    ASSERT_GE(frames.size(), samples.size());
    std::optional<std::size_t> phase;
    for (std::size_t offset = 0; offset < samples.size() && !phase; ++offset) {
        if (AllMatch(frames, Scaled(samples, kFullVolume, offset)))
            phase = offset;
    }
    EXPECT_TRUE(phase.has_value()) << "the sound after unmuting is not the loop at full level";
}

struct ChangeCase
{
    const char* name;
    std::uint32_t volumeBefore;
    void (*change)(AlsaSoundService& service, const Bytes& other);
};

class ClickFreeChange : public AlsaSoundServiceTest, public testing::WithParamInterface<ChangeCase>
{
};

// Through ALSA as well, no change steps further than the tones themselves do: the largest
// step in all that is written, before, during and after the change.
TEST_P(ClickFreeChange, StepsStayNearTheTonesOwn)
{
    const Bytes& tone = keep(OddLengthToneImage());
    const Bytes& other = keep(EvenLengthToneImage());
    service_->setVolume(GetParam().volumeBefore);
    play(tone);
    // The pipe paces the service, so the change comes where these many frames put it: at
    // the end of a period where middle C is far from its middle level, so that a cut would
    // show.
    const std::vector<Frame> before = output_.read(5441);
    GetParam().change(*service_, other);
    const std::vector<Frame> frames = readOn(before, 20000);
    ASSERT_GT(frames.size(), before.size());
    const double ownStep = std::max(LargestStepOfImage(tone), LargestStepOfImage(other));
    EXPECT_LE(LargestStep(frames) / ownStep, 1.3);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, ClickFreeChange,
    testing::Values(
        ChangeCase{"volume_step_down", kFullVolume,
                   [](AlsaSoundService& s, const Bytes&) { s.setVolume(0x40004000); }},
        ChangeCase{"volume_step_up", 0x40004000,
                   [](AlsaSoundService& s, const Bytes&) { s.setVolume(kFullVolume); }},
        ChangeCase{"unmuting", 0, [](AlsaSoundService& s, const Bytes&) { UnmuteAndLetItStand(s); }},
        ChangeCase{"replacement", kFullVolume,
                   [](AlsaSoundService& s, const Bytes& other) { s.playLooped(AsSpan(other)); }},
        ChangeCase{"new_tone_as_the_engine_starts_it", kFullVolume,
                   [](AlsaSoundService& s, const Bytes& other) {
                       s.setVolume(0);
                       s.playLooped(AsSpan(other));
                       s.pause(std::chrono::milliseconds(100));
                       UnmuteAndLetItStand(s);
                   }},
        ChangeCase{"stop", kFullVolume, [](AlsaSoundService& s, const Bytes&) { s.stop(); }}),
    CaseName<ChangeCase>);

TEST(AlsaSoundServiceVolume, IsFullUntilSetThenWhatWasSet)
{
    FileSinkOutput output;
    AlsaSoundService service(kTestIdentity);
    EXPECT_EQ(service.volume(), kFullVolume);
    for (const std::uint32_t packed : {0x12345678u, 0u, 0xFFFF0000u}) {
        service.setVolume(packed);
        EXPECT_EQ(service.volume(), packed);
    }
}

struct UnusableCase
{
    const char* name;
    // ALSA's configuration, and the sound server to reach, in place of the usable ones.
    const char* asoundrc;
    const char* pulseServer;
    std::unique_ptr<tone::SoundService> (*open)();
    // The warning that the failure is logged with, its only sign.
    const char* failure;
};

class UnusableDevice : public testing::TestWithParam<UnusableCase>
{
};

// Nothing can be heard, but requests return at once, nothing crashes, the failure is logged
// once, and the destructor cuts the wait before the next attempt short (a hang fails through
// the test's timeout).
TEST_P(UnusableDevice, RequestsAndDestructionStillReturn)
{
    const UnusableCase& c = GetParam();
    const WarningLog log;
    FileSinkOutput output(c.asoundrc);
    // In the fresh HOME that the output made; read when the service first connects.
    ASSERT_EQ(setenv("PULSE_SERVER", c.pulseServer, 1), 0);
    const Bytes image = EvenLengthToneImage();
    const Bytes other = OddLengthToneImage();
    auto service = c.open();
    service->playLooped(AsSpan(image));
    ASSERT_TRUE(log.waitFor(c.failure));
    // Past the first pause before the next attempt, which fails again without a word.
    std::this_thread::sleep_for(tone::PlaybackTiming{}.firstRetryDelay * 3 / 2);

    service->setVolume(0x80008000);
    service->playLooped(AsSpan(other));
    service->stop();
    service->playLooped(AsSpan(image));
    EXPECT_EQ(service->volume(), 0x80008000u);
    service.reset();
    unsetenv("PULSE_SERVER");
    EXPECT_EQ(log.count(c.failure), 1u);
}

std::unique_ptr<tone::SoundService> OpenAlsa()
{
    return std::make_unique<AlsaSoundService>(kTestIdentity);
}

constexpr const char* kNoServer = "unix:/nonexistent/parvello/pulse/native";

INSTANTIATE_TEST_SUITE_P(
    Configurations, UnusableDevice,
    testing::Values(
        UnusableCase{"plugin_that_does_not_exist",
                     "pcm.!default { type no_such_plugin_for_parvello }\n", kNoServer, OpenAlsa,
                     "Cannot open sound output"},
        UnusableCase{"sound_card_that_does_not_exist", "pcm.!default { type hw card 31 }\n",
                     kNoServer, OpenAlsa, "Cannot open sound output"},
        UnusableCase{"converter_in_front_of_a_missing_device",
                     "pcm.!default { type plug slave.pcm \"no_such_pcm_for_parvello\" }\n",
                     kNoServer, OpenAlsa, "Cannot open sound output"},
        UnusableCase{"configuration_that_does_not_parse", "pcm.!default { type \n", kNoServer,
                     OpenAlsa, "Cannot open sound output"},
        UnusableCase{"sound_server_that_does_not_answer", "", kNoServer,
                     []() -> std::unique_ptr<tone::SoundService> {
                         return std::make_unique<tone::PulseSoundService>(kTestIdentity);
                     },
                     "Cannot reach the sound server"}),
    CaseName<UnusableCase>);

} // namespace
