#include "playback/ShaperHistory.h"
#include "playback/ToneShaper.h"
#include "playback/WaveImageReader.h"
#include "tone/NoteFrequency.h"
#include "tone/ToneBuffer.h"
#include "tone/ToneImageBuilder.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

namespace {

// What the playback thread does under the requests lock each time its output asks for
// frames: makes `frames` of A4 at full level, in blocks of `block` frames, recording a
// point before each block when `points` (a sound server's stream, which can have them
// made again) and none otherwise (ALSA's PCM, a period at a time).
void MakeFrames(benchmark::State& state, std::size_t frames, std::size_t block, bool points)
{
    const auto buffer = tone::CreateToneBuffer();
    tone::WriteToneImage(tone::NoteFrequency(440, 10, 4), *buffer);
    const QByteArray& bytes = buffer->data();
    const auto image =
        tone::ReadWaveImage({reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                             static_cast<std::size_t>(bytes.size())});
    tone::ToneShaper shaper(std::chrono::milliseconds(10));
    shaper.play(image);
    tone::ShaperHistory history;
    history.keep(points ? 2 * frames : 0);
    std::vector<tone::StereoFrame> out(frames);
    for (auto _ : state) {
        for (std::size_t made = 0; made < frames; made += block) {
            history.record(shaper, 1);
            shaper.render(std::span(out).subspan(made, std::min(block, frames - made)),
                          tone::StereoGain{});
            history.advance(std::min(block, frames - made));
        }
        benchmark::DoNotOptimize(out.data());
    }
}

// The stream's request, a quarter second at 22050 Hz, in 5 ms blocks; ALSA's 29 ms period.
BENCHMARK_CAPTURE(MakeFrames, StreamRequest, 5512, 110, true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(MakeFrames, AlsaPeriod, 640, 640, false)->Unit(benchmark::kMicrosecond);

} // namespace
