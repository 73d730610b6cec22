#include "FakeSoundService.h"

#include "tone/NoteFrequency.h"
#include "tone/TonePlayback.h"
#include "tone/VolumeEncoding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using namespace std::chrono_literals;
using tone::ToneState;

constexpr std::int32_t kPitch = 440;

QByteArray ImageOf(const std::unique_ptr<tone::ToneBuffer>& buffer)
{
    return buffer ? buffer->data() : QByteArray();
}

const std::uint8_t* AddressOf(const std::unique_ptr<tone::ToneBuffer>& buffer)
{
    return reinterpret_cast<const std::uint8_t*>(buffer->data().constData());
}

std::vector<SoundCall> PlayedImages(const FakeSoundService& sound)
{
    std::vector<SoundCall> played;
    for (const SoundCall& call : sound.calls) {
        if (call.kind == SoundCall::Kind::PlayLooped)
            played.push_back(call);
    }
    return played;
}

class TonePlayback : public testing::Test
{
protected:
    ToneState state;
    FakeSoundService sound;

    void start(std::int32_t sliderPosition = 0)
    {
        tone::Tone_Sound(state, sound, state.CurrentFrequency, kPitch, sliderPosition);
    }
    void selectNote(std::int32_t note, std::int32_t octave)
    {
        state.NoteIndex = note;
        state.OctaveNumber = octave;
    }
};

TEST_F(TonePlayback, StartMutesPlaysPausesThenSetsTheVolume)
{
    start(65335);
    ASSERT_EQ(sound.calls.size(), 4u);
    EXPECT_EQ(sound.calls[0], SoundCall::setVolume(0));
    EXPECT_EQ(sound.calls[1].kind, SoundCall::Kind::PlayLooped);
    EXPECT_EQ(sound.calls[1].image, ImageOf(state.ToneBufferA));
    EXPECT_EQ(sound.calls[1].imageAddress, AddressOf(state.ToneBufferA));
    EXPECT_EQ(sound.calls[2], SoundCall::pauseFor(100ms));
    EXPECT_EQ(sound.calls[3], SoundCall::setVolume(0x00C800C8));
    EXPECT_EQ(state.CurrentFrequency, 440.0L);
    EXPECT_EQ(state.PreviousFrequency, 440.0L);
}

TEST_F(TonePlayback, BuffersAlternateAndThePlayingImageIsNeverTouched)
{
    // First start: both buffers exist, A holds and plays the image, B is empty.
    start();
    EXPECT_EQ(state.PlaybackSlot, 1);
    ASSERT_TRUE(state.ToneBufferA && state.ToneBufferB);
    EXPECT_EQ(state.ToneBufferB->size(), 0);
    const QByteArray firstImage = ImageOf(state.ToneBufferA);
    const std::uint8_t* firstAddress = AddressOf(state.ToneBufferA);
    EXPECT_EQ(firstImage.size(), 44145);

    // Second start, at another note: B is made anew and played; A, which the service may
    // still have been reading while B was built, is unchanged and still in place.
    selectNote(1, 4);
    start();
    EXPECT_EQ(state.PlaybackSlot, 2);
    EXPECT_EQ(ImageOf(state.ToneBufferA), firstImage);
    EXPECT_EQ(AddressOf(state.ToneBufferA), firstAddress);
    const QByteArray secondImage = ImageOf(state.ToneBufferB);
    EXPECT_EQ(secondImage.size(), 44208);

    // Third start: A is released and refilled, B is kept while the new image is built.
    selectNote(12, 4);
    start();
    EXPECT_EQ(state.PlaybackSlot, 1);
    EXPECT_EQ(ImageOf(state.ToneBufferB), secondImage);

    const std::vector<SoundCall> played = PlayedImages(sound);
    ASSERT_EQ(played.size(), 3u);
    EXPECT_EQ(played[0].image, firstImage);
    EXPECT_EQ(played[1].image, secondImage);
    EXPECT_EQ(played[2].image, ImageOf(state.ToneBufferA));
    EXPECT_EQ(played[2].imageAddress, AddressOf(state.ToneBufferA));
}

TEST_F(TonePlayback, StopLeavesBuffersSlotAndVolumeAlone)
{
    start();
    const QByteArray image = ImageOf(state.ToneBufferA);
    sound.calls.clear();
    tone::StopTone(sound);
    EXPECT_EQ(sound.calls, std::vector{SoundCall::stop()});
    EXPECT_EQ(state.PlaybackSlot, 1);
    EXPECT_EQ(ImageOf(state.ToneBufferA), image);

    // After Off and Sound again the alternation goes on where it stood.
    start();
    EXPECT_EQ(state.PlaybackSlot, 2);
}

TEST_F(TonePlayback, ReleasingBeforeAnyToneReleasesNothing)
{
    tone::StopTone(sound);
    tone::ReleaseToneBuffers(state);
    EXPECT_EQ(sound.calls, std::vector{SoundCall::stop()});
    EXPECT_FALSE(state.ToneBufferA);
    EXPECT_FALSE(state.ToneBufferB);

    start();
    start();
    tone::StopTone(sound);
    tone::ReleaseToneBuffers(state);
    EXPECT_FALSE(state.ToneBufferA);
    EXPECT_FALSE(state.ToneBufferB);
}

struct BandCase
{
    long double frequency;
    std::int32_t position;
    std::int32_t effective;
};

class LoudnessBands : public testing::TestWithParam<BandCase>
{
};

TEST_P(LoudnessBands, RescaleTheSliderPositionByFrequency)
{
    const BandCase& c = GetParam();
    EXPECT_EQ(tone::LoudnessBandPosition(c.frequency, c.position), c.effective);
}

INSTANTIATE_TEST_SUITE_P(SliderAtTheBottom, LoudnessBands,
                         testing::Values(BandCase{50, 65535, 32767}, BandCase{150, 65535, 49149},
                                         BandCase{440, 65535, 65535}, BandCase{1000, 65535, 65535},
                                         BandCase{2000, 65535, 65535}));

INSTANTIATE_TEST_SUITE_P(SliderAtTheTop, LoudnessBands,
                         testing::Values(BandCase{50, 0, 0}, BandCase{150, 0, 0},
                                         BandCase{440, 0, 0}, BandCase{1000, 0, 21845},
                                         BandCase{2000, 0, 43690}));

// Each boundary belongs to the band above it; p = 40000 tells the bands apart.
INSTANTIATE_TEST_SUITE_P(BoundariesBelongAbove, LoudnessBands,
                         testing::Values(BandCase{std::nextafter(100.0L, 0.0L), 40000, 20000},
                                         BandCase{100, 40000, 30000},
                                         BandCase{std::nextafter(250.0L, 0.0L), 40000, 30000},
                                         BandCase{250, 40000, 40000},
                                         BandCase{std::nextafter(800.0L, 0.0L), 40000, 40000},
                                         BandCase{800, 40000, 13333 * 2 + 21845},
                                         BandCase{std::nextafter(1600.0L, 0.0L), 40000,
                                                  13333 * 2 + 21845},
                                         BandCase{1600, 40000, 13333 + 43690}));

// Division before multiplication: (p ÷ 4) × 3 and (p ÷ 3) × 2, not p × 3 ÷ 4 or p × 2 ÷ 3.
INSTANTIATE_TEST_SUITE_P(
    DivisionComesFirst, LoudnessBands,
    testing::Values(BandCase{50, 1, 0}, BandCase{150, 3, 0}, BandCase{150, 7, 3},
                    BandCase{1000, 5, 21847}, BandCase{2000, 5, 43691},
                    // Zero and negative frequencies (pitch 0 or below) count as low tones.
                    BandCase{0, 65535, 32767}, BandCase{-440, 65535, 32767}));

TEST_F(TonePlayback, CompensatedStartSetsTheLevelOfTheBand)
{
    struct Case
    {
        long double frequency;
        std::int32_t position;
        std::uint32_t level;
    };
    state.EqualizeEnabled = true;
    for (const Case c : {Case{50, 65535, 32768},
                         {150, 65535, 16386},
                         {440, 65535, 0},
                         {1000, 65535, 0},
                         {2000, 65535, 0},
                         {440, 0, 65535},
                         {1000, 0, 43690},
                         {2000, 0, 21845},
                         {50, 1, 65535}}) {
        tone::Tone_Sound(state, sound, c.frequency, kPitch, c.position);
        EXPECT_EQ(sound.lastVolumeSet(), c.level * 65537u)
            << c.frequency << " Hz at " << c.position;
        EXPECT_EQ(state.EffectiveVolumePosition, 65535 - static_cast<std::int32_t>(c.level));
    }
}

TEST_F(TonePlayback, WithoutCompensationTheSliderPositionIsUsedAsItIs)
{
    for (const long double frequency : {50.0L, 150.0L, 440.0L, 1000.0L, 2000.0L}) {
        tone::Tone_Sound(state, sound, frequency, kPitch, 12345);
        EXPECT_EQ(state.EffectiveVolumePosition, 12345);
        EXPECT_EQ(sound.lastVolumeSet(), tone::PackedVolumeOfPosition(12345));
    }
}

TEST_F(TonePlayback, CompensationFollowsOneToneBehind)
{
    state.EqualizeEnabled = true;
    constexpr std::int32_t p = 30000;
    start(p); // A4, 440 Hz: band 250..800
    EXPECT_EQ(state.EffectiveVolumePosition, p);

    // Change to A6 (1760 Hz): the call passes the frequency of the tone built before.
    selectNote(10, 6);
    start(p);
    EXPECT_EQ(state.CurrentFrequency, 1760.0L);
    EXPECT_EQ(state.PreviousFrequency, 440.0L);
    EXPECT_EQ(state.EffectiveVolumePosition, p);

    // The next change, made while the 1760 Hz tone sounds, uses the band from 1600 up.
    selectNote(1, 4);
    start(p);
    EXPECT_EQ(state.PreviousFrequency, 1760.0L);
    EXPECT_EQ(state.EffectiveVolumePosition, p / 3 + 43690);
}

TEST_F(TonePlayback, SliderMovesSetTheUncompensatedLevel)
{
    state.EqualizeEnabled = true;
    tone::Tone_Sound(state, sound, 2000.0L, kPitch, 0);
    ASSERT_EQ(state.EffectiveVolumePosition, 43690);

    struct Case
    {
        std::int32_t position;
        std::int32_t outputVolume;
    };
    for (const Case c : {Case{0, -1},
                         {65535, 0},
                         {65335, 0x00C800C8},
                         {32768, 0x7FFF7FFF},
                         {32767, static_cast<std::int32_t>(0x80008000u)}}) {
        sound.calls.clear();
        tone::ApplySliderVolume(state, sound, c.position);
        EXPECT_EQ(state.OutputVolume, c.outputVolume);
        EXPECT_EQ(sound.calls,
                  std::vector{SoundCall::setVolume(static_cast<std::uint32_t>(c.outputVolume))});
        EXPECT_EQ(state.EffectiveVolumePosition, 43690);
    }
}

TEST(VolumeEncoding, PackedVolumesAndSliderPositionsRoundTrip)
{
    EXPECT_EQ(tone::PackedVolumeOfPosition(0), 0xFFFFFFFFu);
    EXPECT_EQ(tone::PackedVolumeOfPosition(65535), 0u);
    EXPECT_EQ(tone::PackedVolumeOfPosition(65335), 0x00C800C8u);
    // The default stored volume of 200 places the slider near the bottom.
    EXPECT_EQ(tone::PositionOfPackedVolume(200), 65335);
    EXPECT_EQ(tone::PositionOfPackedVolume(-1), 0);
    EXPECT_EQ(tone::PositionOfPackedVolume(0), 65535);
    // Only the left level counts.
    EXPECT_EQ(tone::PositionOfPackedVolume(0x1234FFFF), 0);
    for (std::int32_t p = 0; p <= 65535; ++p) {
        ASSERT_EQ(tone::PositionOfPackedVolume(
                      static_cast<std::int32_t>(tone::PackedVolumeOfPosition(p))),
                  p);
    }
}

struct CaptureCase
{
    std::optional<std::uint32_t> outputVolume;
    std::int32_t saved;
    // What SavedSystemVolume held before: 0 in a fresh state.
    std::int32_t savedBefore = 0;
};

class CaptureSystemVolume : public testing::TestWithParam<CaptureCase>
{
};

TEST_P(CaptureSystemVolume, KeepsNonNegativeVolumesAndMutes)
{
    ToneState state;
    state.SavedSystemVolume = GetParam().savedBefore;
    FakeSoundService sound;
    sound.outputVolume = GetParam().outputVolume;
    tone::CaptureSystemVolume(state, sound);
    EXPECT_EQ(state.SavedSystemVolume, GetParam().saved);
    EXPECT_EQ(sound.calls, (std::vector{SoundCall::readVolume(), SoundCall::setVolume(0)}));

    sound.calls.clear();
    tone::RestoreSystemVolume(state, sound);
    EXPECT_EQ(sound.calls,
              std::vector{SoundCall::setVolume(static_cast<std::uint32_t>(GetParam().saved))});
}

INSTANTIATE_TEST_SUITE_P(
    WholePackedValueDecides, CaptureSystemVolume,
    testing::Values(CaptureCase{0x7FFF7FFFu, 0x7FFF7FFF}, CaptureCase{0x7FFFFFFFu, 0x7FFFFFFF},
                    CaptureCase{0x00C800C8u, 0x00C800C8}, CaptureCase{0u, 0},
                    CaptureCase{0xFFFFFFFFu, 0}, CaptureCase{0x80000000u, 0},
                    CaptureCase{0x8000FFFFu, 0},
                    // A volume that cannot be read leaves the saved volume as it was: 0 at
                    // start-up, an earlier capture otherwise, cleared when it is negative.
                    CaptureCase{std::nullopt, 0}, CaptureCase{std::nullopt, 0x00C800C8, 0x00C800C8},
                    CaptureCase{std::nullopt, 0, static_cast<std::int32_t>(0xFFFF0000u)},
                    // A readable volume replaces an earlier capture.
                    CaptureCase{0u, 0, 0x00C800C8}));

} // namespace
