#include "tone/NoteFrequency.h"
#include "tone/ToneImageBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Builds the image both ways and compares them byte for byte.
bool SameImage(std::int32_t pitch, std::int32_t note, std::int32_t octave)
{
    const long double frequency = tone::NoteFrequency(pitch, note, octave);
    const auto fast = tone::CreateToneBuffer();
    const auto reference = tone::CreateToneBuffer();
    tone::WriteToneImage(frequency, *fast, tone::SampleEvaluation::Fast);
    tone::WriteToneImage(frequency, *reference, tone::SampleEvaluation::Reference);
    return fast->data().size() == reference->data().size() && fast->data() == reference->data();
}

// Every note at every whole pitch of the field's range, and at the pitches the field passes
// through while the user types, built both ways. Slow: about a minute on two cores.
TEST(FastToneImages, EveryNoteAtEveryPitchMatchesTheReference)
{
    std::vector<std::int32_t> pitches{0, 1, 2, 3, -440, 11025};
    for (std::int32_t pitch = 300; pitch <= 450; ++pitch)
        pitches.push_back(pitch);

    struct Mismatch
    {
        std::int32_t pitch, note, octave;
    };
    std::vector<Mismatch> mismatches;
    std::mutex mismatchesLock;
    std::atomic<std::size_t> nextPitch{0};
    std::atomic<int> imagesCompared{0};
    const auto compareAllNotes = [&] {
        for (std::size_t p = nextPitch++; p < pitches.size(); p = nextPitch++) {
            for (std::int32_t octave = 0; octave <= 7; ++octave) {
                for (std::int32_t note = 1; note <= 12; ++note) {
                    if (!SameImage(pitches[p], note, octave)) {
                        const std::scoped_lock lock(mismatchesLock);
                        mismatches.push_back({pitches[p], note, octave});
                    }
                    ++imagesCompared;
                }
            }
        }
    };
    {
        std::vector<std::jthread> workers;
        for (unsigned n = std::max(1u, std::thread::hardware_concurrency()); n > 0; --n)
            workers.emplace_back(compareAllNotes);
    }

    EXPECT_EQ(imagesCompared.load(), static_cast<int>(pitches.size()) * 96);
    for (const Mismatch& m : mismatches)
        ADD_FAILURE() << "note " << m.note << " octave " << m.octave << " pitch " << m.pitch;
}

} // namespace
