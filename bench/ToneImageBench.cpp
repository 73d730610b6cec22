#include "tone/NoteFrequency.h"
#include "tone/ToneBuffer.h"
#include "tone/ToneImageBuilder.h"

#include <benchmark/benchmark.h>

namespace {

using tone::SampleEvaluation;

// Builds the image of one note, as every tone restart does, and reports the time per sample.
void BuildImage(benchmark::State& state, SampleEvaluation evaluation, std::int32_t pitch,
                std::int32_t note, std::int32_t octave)
{
    const long double frequency = tone::NoteFrequency(pitch, note, octave);
    std::int32_t sampleCount = 0;
    for (auto _ : state) {
        const auto buffer = tone::CreateToneBuffer();
        sampleCount = tone::WriteToneImage(frequency, *buffer, evaluation);
        benchmark::DoNotOptimize(buffer->data().constData());
    }
    // The search computes the sample after the data too.
    const double samplesPerImage = sampleCount + 1.0;
    state.counters["samples"] = samplesPerImage;
    // Shown in seconds with an SI prefix: "25n" is 25 ns per sample.
    state.counters["per_sample"] =
        benchmark::Counter(samplesPerImage, benchmark::Counter::kIsIterationInvariantRate |
                                                benchmark::Counter::kInvert);
}

// A4 at 440 Hz: 44100 samples, the shortest image. C#5 at 407 Hz never finds a loop point
// and runs to 80000 samples: the longest image.
BENCHMARK_CAPTURE(BuildImage, Reference_A4_at_440, SampleEvaluation::Reference, 440, 10, 4)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BuildImage, Fast_A4_at_440, SampleEvaluation::Fast, 440, 10, 4)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BuildImage, Reference_C_sharp5_at_407, SampleEvaluation::Reference, 407, 2, 5)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BuildImage, Fast_C_sharp5_at_407, SampleEvaluation::Fast, 407, 2, 5)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
