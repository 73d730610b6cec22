#include "FileSinkOutput.h"
#include "WaveImageSupport.h"

#include "tone/AlsaSoundService.h"

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

// More frames than the pipe (64 KiB), the file plugin's own buffer and the PCM's buffer can
// hold together: the service can never be further ahead of the test than this.
constexpr std::size_t kFramesInFlight = 65536;

std::span<const std::uint8_t> Span(const Bytes& bytes)
{
    return {bytes.data(), bytes.size()};
}

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

// Whether `actual` is the mono sample `sample` widened to 16 bits and scaled by the packed
// volume's levels, to within rounding.
bool MatchesScaled(Frame actual, std::uint8_t sample, std::uint32_t packedVolume)
{
    const double full = (sample - 128) * 256.0;
    const double left = full * (packedVolume & 0xFFFF) / 65535.0;
    const double right = full * (packedVolume >> 16) / 65535.0;
    return std::abs(actual.left - left) <= 1.0 && std::abs(actual.right - right) <= 1.0;
}

// The index of the first frame for which `matches` fails, or the number of frames.
std::size_t FirstMismatch(const std::vector<Frame>& frames,
                          const std::function<bool(std::size_t)>& matches, std::size_t from = 0)
{
    for (std::size_t k = from; k < frames.size(); ++k) {
        if (!matches(k))
            return k;
    }
    return frames.size();
}

// Where `frames` stop following `before` and follow `after` (given the frame's index and
// the switch's) to the end, or nothing when no such point exists.
std::optional<std::size_t> FindSwitch(const std::vector<Frame>& frames,
                                      const std::function<bool(std::size_t)>& before,
                                      const std::function<bool(std::size_t, std::size_t)>& after)
{
    const std::size_t lastBefore = FirstMismatch(frames, before);
    // Frames near the switch may fit both; the earliest point that fits the rest wins.
    for (std::size_t start = 0; start <= lastBefore; ++start) {
        const auto fitsAfter = [&](std::size_t k) { return after(k, start); };
        if (FirstMismatch(frames, fitsAfter, start) == frames.size())
            return start;
    }
    return std::nullopt;
}

// A 16-bit stereo image at 44100 Hz whose channels differ, `frames` frames long.
Bytes StereoRampImage(std::size_t frames)
{
    Bytes data;
    for (std::size_t i = 0; i < frames; ++i) {
        Append16(data, static_cast<std::uint16_t>(static_cast<std::int16_t>(i * 61 - 30000)));
        Append16(data, static_cast<std::uint16_t>(static_cast<std::int16_t>(25000 - i * 47)));
    }
    return Riff({Chunk("fmt ", PcmFormat(2, 44100, 16)), Chunk("data", data)});
}

Frame StereoRampFrame(std::size_t frame)
{
    return {static_cast<std::int16_t>(frame * 61 - 30000),
            static_cast<std::int16_t>(25000 - frame * 47)};
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
        service_->playLooped(Span(image));
        played_ = true;
    }

    // Keeps an image alive until the service is gone, as the service's callers must.
    const Bytes& keep(Bytes image) { return images_.emplace_back(std::move(image)); }

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
    std::unique_ptr<AlsaSoundService> service_ = std::make_unique<AlsaSoundService>();
    bool played_ = false;
};

struct LoopCase
{
    const char* name;
    Bytes (*image)();
    std::size_t length;
};

void PrintTo(const LoopCase& c, std::ostream* os)
{
    *os << c.name;
}

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

    const std::size_t mismatch = FirstMismatch(frames, [&](std::size_t k) {
        return MatchesScaled(frames[k], samples.at(k), 0xFFFFFFFF) &&
               frames[k].left == (samples.at(k) - 128) * 256;
    });
    EXPECT_EQ(mismatch, frames.size()) << "frame " << mismatch << " is " << frames[mismatch]
                                       << ", sample " << int(samples.at(mismatch));
}

INSTANTIATE_TEST_SUITE_P(
    ProjectImages, LoopedImage,
    testing::Values(LoopCase{"even_length", EvenLengthToneImage, 44100},
                    LoopCase{"odd_length_with_pad_byte", OddLengthToneImage, 44163}),
    [](const testing::TestParamInfo<LoopCase>& info) { return std::string(info.param.name); });

TEST_F(AlsaSoundServiceTest, SixteenBitStereoImagePlaysAtItsOwnRate)
{
    const Bytes& image = keep(StereoRampImage(1000));
    play(image);
    const std::vector<Frame> frames = output_.read(2500);
    ASSERT_EQ(frames.size(), 2500u);
    ASSERT_EQ(output_.setups().size(), 1u);
    EXPECT_EQ(output_.setups()[0].sampleRate, 44100u);
    const std::size_t mismatch = FirstMismatch(
        frames, [&](std::size_t k) { return frames[k] == StereoRampFrame(k % 1000); });
    EXPECT_EQ(mismatch, frames.size()) << "frame " << mismatch;
}

TEST_F(AlsaSoundServiceTest, ReplacementSwitchesToTheNewImageFromItsStart)
{
    auto first = std::make_unique<Bytes>(EvenLengthToneImage());
    const Bytes& second = keep(OddLengthToneImage());
    const MonoSamples before(*first), after(second);

    play(*first);
    std::vector<Frame> frames = output_.read(5000);
    play(second);
    Discard(first);
    // Whatever the service had written before the request, then a pass of the new image
    // and its seam.
    const std::vector<Frame> rest = output_.read(kFramesInFlight + after.size() + 500);
    frames.insert(frames.end(), rest.begin(), rest.end());
    ASSERT_FALSE(output_.ended());

    const std::optional<std::size_t> start = FindSwitch(
        frames, [&](std::size_t k) { return MatchesScaled(frames[k], before.at(k), ~0u); },
        [&](std::size_t k, std::size_t s) {
            return MatchesScaled(frames[k], after.at(k - s), ~0u);
        });
    ASSERT_TRUE(start.has_value()) << "the output is not the old image, then the new one";
    EXPECT_LE(*start, 5000 + kFramesInFlight);
    // The same PCM goes on: the old image's queued frames are dropped, not the device.
    EXPECT_EQ(output_.setups().size(), 1u);
}

TEST_F(AlsaSoundServiceTest, ReplacementAtAnotherRateReopensTheOutput)
{
    auto first = std::make_unique<Bytes>(EvenLengthToneImage());
    const MonoSamples before(*first);
    const Bytes& second = keep(StereoRampImage(700));

    play(*first);
    const std::vector<Frame> old = output_.read(3000);
    play(second);
    Discard(first);
    std::vector<Frame> rest = output_.read(kFramesInFlight);
    EXPECT_TRUE(output_.ended()) << "the PCM at 22050 Hz was not closed";
    const std::size_t mismatch = FirstMismatch(rest, [&](std::size_t k) {
        return MatchesScaled(rest[k], before.at(old.size() + k), ~0u);
    });
    EXPECT_EQ(mismatch, rest.size()) << "a frame of the old image was read after its request";

    const std::vector<Frame> frames = output_.read(1500);
    ASSERT_EQ(output_.setups().size(), 2u);
    EXPECT_EQ(output_.setups()[1].sampleRate, 44100u);
    ASSERT_EQ(frames.size(), 1500u);
    const std::size_t newMismatch =
        FirstMismatch(frames, [&](std::size_t k) { return frames[k] == StereoRampFrame(k % 700); });
    EXPECT_EQ(newMismatch, frames.size()) << "frame " << newMismatch;
}

TEST_F(AlsaSoundServiceTest, StopClosesTheOutputAndPlayingAgainStartsOver)
{
    const Bytes& image = keep(EvenLengthToneImage());
    const MonoSamples samples(image);

    for (int round = 1; round <= 2; ++round) {
        play(image);
        const std::vector<Frame> frames = output_.read(3000);
        ASSERT_EQ(frames.size(), 3000u);
        EXPECT_EQ(FirstMismatch(
                      frames,
                      [&](std::size_t k) { return MatchesScaled(frames[k], samples.at(k), ~0u); }),
                  frames.size())
            << "round " << round;
        service_->stop();
        // The output ends: the service closed the PCM.
        output_.readUntilEnd(kFramesInFlight);
        EXPECT_EQ(output_.setups().size(), static_cast<std::size_t>(round));
    }
}

TEST_F(AlsaSoundServiceTest, DestroyingWhilePlayingClosesTheOutput)
{
    const Bytes& image = keep(EvenLengthToneImage());
    play(image);
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
    service_ = std::make_unique<AlsaSoundService>();
    played_ = false;
}

struct RefusedCase
{
    const char* name;
    std::function<void(Bytes&)> spoil;
};

void PrintTo(const RefusedCase& c, std::ostream* os)
{
    *os << c.name;
}

class RefusedImage : public AlsaSoundServiceTest, public testing::WithParamInterface<RefusedCase>
{
};

TEST_P(RefusedImage, StopsWhatPlays)
{
    auto playing = std::make_unique<Bytes>(EvenLengthToneImage());
    const MonoSamples samples(*playing);
    play(*playing);
    const std::vector<Frame> first = output_.read(2000);

    auto refused = std::make_unique<Bytes>(OddLengthToneImage());
    GetParam().spoil(*refused);
    // Exactly its own size, so that AddressSanitizer sees any read past the end.
    refused = std::make_unique<Bytes>(*refused);
    service_->playLooped(Span(*refused));
    Discard(refused);
    Discard(playing);

    const std::vector<Frame> rest = output_.read(kFramesInFlight);
    EXPECT_TRUE(output_.ended()) << "the old image went on playing";
    const std::size_t mismatch = FirstMismatch(rest, [&](std::size_t k) {
        return MatchesScaled(rest[k], samples.at(first.size() + k), ~0u);
    });
    EXPECT_EQ(mismatch, rest.size()) << "the output is not the old image up to its end";
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
    [](const testing::TestParamInfo<RefusedCase>& info) { return std::string(info.param.name); });

struct VolumeCase
{
    const char* name;
    std::uint32_t packedVolume;
};

void PrintTo(const VolumeCase& c, std::ostream* os)
{
    *os << c.name;
}

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
    const std::size_t mismatch = FirstMismatch(frames, [&](std::size_t k) {
        return MatchesScaled(frames[k], samples.at(k), GetParam().packedVolume);
    });
    EXPECT_EQ(mismatch, frames.size()) << "frame " << mismatch << " is " << frames[mismatch]
                                       << ", sample " << int(samples.at(mismatch));
}

INSTANTIATE_TEST_SUITE_P(
    Levels, Volume,
    testing::Values(VolumeCase{"full", 0xFFFFFFFF}, VolumeCase{"left_only", 0x0000FFFF},
                    VolumeCase{"right_only", 0xFFFF0000},
                    VolumeCase{"left_half_right_quarter", 0x40008000},
                    VolumeCase{"left_quarter_right_full", 0xFFFF4000}, VolumeCase{"silent", 0}),
    [](const testing::TestParamInfo<VolumeCase>& info) { return std::string(info.param.name); });

TEST_F(AlsaSoundServiceTest, VolumeChangeWhilePlayingKeepsTheLoopGoing)
{
    const Bytes& image = keep(EvenLengthToneImage());
    const MonoSamples samples(image);
    constexpr std::uint32_t kLower = 0x30009000;
    play(image);
    std::vector<Frame> frames = output_.read(4000);
    service_->setVolume(kLower);
    const std::vector<Frame> rest = output_.read(kFramesInFlight + 2000);
    frames.insert(frames.end(), rest.begin(), rest.end());

    // Full level up to some frame, the new levels from there on, with no jump in the loop.
    const std::optional<std::size_t> change = FindSwitch(
        frames, [&](std::size_t k) { return MatchesScaled(frames[k], samples.at(k), ~0u); },
        [&](std::size_t k, std::size_t) {
            return MatchesScaled(frames[k], samples.at(k), kLower);
        });
    ASSERT_TRUE(change.has_value());
    EXPECT_GE(*change, 1u);
    EXPECT_LE(*change, 4000 + kFramesInFlight);
}

TEST(AlsaSoundServiceVolume, IsFullUntilSetThenWhatWasSet)
{
    FileSinkOutput output;
    AlsaSoundService service;
    EXPECT_EQ(service.volume(), 0xFFFFFFFFu);
    for (const std::uint32_t packed : {0x12345678u, 0u, 0xFFFF0000u}) {
        service.setVolume(packed);
        EXPECT_EQ(service.volume(), packed);
    }
}

struct UnusableCase
{
    const char* name;
    const char* asoundrc;
};

void PrintTo(const UnusableCase& c, std::ostream* os)
{
    *os << c.name;
}

// Collects the warnings that the service logs, its only sign of a device that fails.
class WarningLog
{
public:
    WarningLog()
    {
        instance_ = this;
        previous_ = qInstallMessageHandler(&WarningLog::Record);
    }
    ~WarningLog()
    {
        qInstallMessageHandler(previous_);
        instance_ = nullptr;
    }

    // Waits until a message containing `text` is logged; false after a generous safety
    // timeout.
    bool waitFor(const QString& text)
    {
        std::unique_lock lock(mutex_);
        return logged_.wait_for(lock, std::chrono::seconds(30), [&] { return count(text) > 0; });
    }
    int countOf(const QString& text)
    {
        const std::lock_guard lock(mutex_);
        return count(text);
    }

private:
    static void Record(QtMsgType, const QMessageLogContext&, const QString& message)
    {
        const std::lock_guard lock(instance_->mutex_);
        instance_->messages_.push_back(message);
        instance_->logged_.notify_all();
    }
    int count(const QString& text) const
    {
        return static_cast<int>(std::count_if(messages_.begin(), messages_.end(),
                                              [&](const QString& m) { return m.contains(text); }));
    }

    static inline WarningLog* instance_ = nullptr;
    QtMessageHandler previous_ = nullptr;
    std::mutex mutex_;
    std::condition_variable logged_;
    std::vector<QString> messages_;
};

class UnusableDevice : public testing::TestWithParam<UnusableCase>
{
};

// Nothing can be heard, but requests return at once, nothing crashes, the failure is logged
// once, and the destructor cuts the wait before the next attempt short (a hang fails through
// the test's timeout).
TEST_P(UnusableDevice, RequestsAndDestructionStillReturn)
{
    WarningLog log;
    FileSinkOutput output(GetParam().asoundrc);
    const Bytes image = EvenLengthToneImage();
    const Bytes other = OddLengthToneImage();
    auto service = std::make_unique<AlsaSoundService>();
    service->playLooped(Span(image));
    ASSERT_TRUE(log.waitFor("Cannot open sound output"));

    service->setVolume(0x80008000);
    service->playLooped(Span(other));
    service->stop();
    service->playLooped(Span(image));
    EXPECT_EQ(service->volume(), 0x80008000u);
    service.reset();
    EXPECT_EQ(log.countOf("Cannot open sound output"), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Configurations, UnusableDevice,
    testing::Values(
        UnusableCase{"plugin_that_does_not_exist",
                     "pcm.!default { type no_such_plugin_for_parvello }\n"},
        UnusableCase{"sound_card_that_does_not_exist", "pcm.!default { type hw card 31 }\n"},
        UnusableCase{"converter_in_front_of_a_missing_device",
                     "pcm.!default { type plug slave.pcm \"no_such_pcm_for_parvello\" }\n"},
        UnusableCase{"configuration_that_does_not_parse", "pcm.!default { type \n"}),
    [](const testing::TestParamInfo<UnusableCase>& info) { return std::string(info.param.name); });

} // namespace
