#pragma once

#include "ToneBuffer.h"
#include "ToneState.h"
#include "WaveFormat.h"

#include <cstdint>

namespace tone {

// Sample counts of a tone image: at least two seconds, and the loop-end search stops at
// sample 80000 at the latest.
inline constexpr std::int32_t kMinimumSampleCount = 2 * wave::kSampleRate;
inline constexpr std::int32_t kLastSearchedSample = 80000;

// The largest tone image: the header, kLastSearchedSample samples and the trailing zero byte.
inline constexpr qsizetype kLargestToneImage = wave::kHeaderSize + kLastSearchedSample + 1;

// How the samples are evaluated: fast (double precision where that decides the byte) or
// the straightforward reference in extended precision. Both give the same bytes.
enum class SampleEvaluation { Fast, Reference };

// Writes the looping tone image of `frequency` into the empty `buffer` and leaves its
// position at 0. The data chunk ends just before the first sample from the two-second mark
// on where the wave passes upward through the middle level (a sample in 126..129 above its
// predecessor), so that the loop joins sample 0 without a click; at most 80000 samples.
// Returns the number of samples in the data chunk.
std::int32_t WriteToneImage(long double frequency, ToneBuffer& buffer,
                            SampleEvaluation evaluation = SampleEvaluation::Fast);

// Builds the image of the current note (NoteIndex, OctaveNumber) at the reference pitch into
// the empty `buffer`, and records the note's frequency in state.CurrentFrequency.
void BuildToneImage(ToneState& state, std::int32_t pitch, ToneBuffer& buffer);

} // namespace tone
