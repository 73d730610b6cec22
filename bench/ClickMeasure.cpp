#include "ClickMeasure.h"

#include "MonitorRecorder.h"

#include "ProbeOutput.h"
#include "tone/NoteFrequency.h"
#include "tone/ToneBuffer.h"
#include "tone/ToneImageBuilder.h"
#include "tone/WaveFormat.h"

#include <QtEndian>

#include <cmath>
#include <functional>

namespace probe {

namespace {

constexpr std::uint32_t kFull = 0xFFFFFFFF;
constexpr std::uint32_t kQuarter = 0x40004000;
constexpr double kQuarterLevel = 0x4000 / 65535.0;
// How much of the recording after a request is examined: more than any change may take.
constexpr auto kWindow = 250ms;

struct Tone
{
    std::vector<std::uint8_t> image;
    // The largest step between neighbouring samples of the loop (its seam included) and the
    // largest sample, both widened to 16 bits at full level.
    double largestStep = 0;
    double peak = 0;
    // A quarter of the tone's cycle, in frames.
    std::size_t quarterCycle = 0;

    std::span<const std::uint8_t> span() const { return {image.data(), image.size()}; }
};

Tone MakeTone(long double frequency)
{
    Tone tone;
    const auto buffer = tone::CreateToneBuffer();
    tone::WriteToneImage(frequency, *buffer);
    tone.image.assign(buffer->data().begin(), buffer->data().end());
    const std::size_t count = qFromLittleEndian<std::uint32_t>(tone.image.data() + 40);
    const std::uint8_t* samples = tone.image.data() + tone::wave::kHeaderSize;
    for (std::size_t i = 0; i < count; ++i) {
        const int step = std::abs(samples[(i + 1) % count] - samples[i]);
        tone.largestStep = std::max(tone.largestStep, 256.0 * step);
        tone.peak = std::max(tone.peak, 256.0 * std::abs(samples[i] - 128));
    }
    tone.quarterCycle = static_cast<std::size_t>(tone::wave::kSampleRate / frequency / 4);
    return tone;
}

using Frames = std::vector<std::array<std::int16_t, 2>>;

double LargestStep(const Frames& frames)
{
    double largest = 0;
    for (std::size_t n = 1; n < frames.size(); ++n) {
        for (std::size_t c = 0; c < 2; ++c)
            largest =
                std::max(largest, std::abs(static_cast<double>(frames[n][c]) - frames[n - 1][c]));
    }
    return largest;
}

double Level(const std::array<std::int16_t, 2>& frame)
{
    return std::max(std::abs(static_cast<double>(frame[0])),
                    std::abs(static_cast<double>(frame[1])));
}

// When the change is complete, in frames from the start of `frames`, or nothing.
using Completion = std::function<std::optional<std::size_t>(const Frames&)>;

// When `tone` is at its level: the first frame at 97 % of its peak, or, when the sound
// started at most a quarter of the tone's cycle before that (a tone that starts at full
// level from its upward zero crossing, whose wave takes that long to reach its peak), the
// first frame of the sound.
Completion Reaches(const Tone& tone)
{
    return [peak = tone.peak,
            rise = tone.quarterCycle](const Frames& frames) -> std::optional<std::size_t> {
        std::optional<std::size_t> onset;
        for (std::size_t n = 0; n < frames.size(); ++n) {
            if (!onset && Level(frames[n]) > 256)
                onset = n;
            if (Level(frames[n]) >= 0.97 * peak - 256)
                return onset && n - *onset <= rise + 2 ? *onset : n;
        }
        return std::nullopt;
    };
}

// The frame after the last one above `peak` (with 3 % and one 8-bit step to spare).
Completion FallsTo(double peak)
{
    return [peak](const Frames& frames) -> std::optional<std::size_t> {
        std::optional<std::size_t> last;
        for (std::size_t n = 0; n < frames.size(); ++n) {
            if (Level(frames[n]) > 1.03 * peak + 256)
                last = n + 1;
        }
        return last.value_or(0);
    };
}

// After the first 5 ms of silence, when `tone` is at its level.
Completion ReachesAfterAPause(const Tone& tone)
{
    return [&tone](const Frames& frames) -> std::optional<std::size_t> {
        constexpr std::size_t kPause = MonitorRecorder::kRate * 5 / 1000;
        std::size_t quiet = 0;
        for (std::size_t n = 0; n < frames.size(); ++n) {
            quiet = Level(frames[n]) <= 256 ? quiet + 1 : 0;
            if (quiet == kPause) {
                Frames rest(frames.begin() + static_cast<std::ptrdiff_t>(n), frames.end());
                if (const auto reached = Reaches(tone)(rest))
                    return n + *reached;
                return std::nullopt;
            }
        }
        return std::nullopt;
    };
}

struct Event
{
    const char* name;
    // Brings the service to the state before the event and lets it settle.
    std::function<void(tone::SoundService&)> prepare;
    std::function<void(tone::SoundService&)> act;
    // The largest step of the tone at the higher of the two levels.
    double reference;
    // When the change is complete at the sink; none for a change without a level to reach.
    Completion completion;
    // How long the state before the event lasts.
    std::chrono::milliseconds before = 300ms;
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void MeasureEvent(const Event& event, int rounds, tone::SoundService& service,
                  MonitorRecorder& recorder)
{
    std::vector<double> clicks, millis;
    int incomplete = 0;
    for (int round = 0; round < rounds; ++round) {
        event.prepare(service);
        service.pause(event.before);
        const auto requested = Clock::now();
        event.act(service);
        service.pause(kWindow);
        // A little before the request too: the estimate of the recording's clock is
        // uncertain by a few milliseconds, and a steady tone there reads 1.0.
        const std::int64_t first = recorder.frameAt(requested - 5ms);
        const std::int64_t atRequest = recorder.frameAt(requested);
        const Frames frames =
            recorder.framesUpTo(first, recorder.frameAt(requested + kWindow + 20ms));
        clicks.push_back(LargestStep(frames) / event.reference);
        const auto begin =
            static_cast<std::ptrdiff_t>(std::max<std::int64_t>(atRequest - first, 0));
        const Frames after(frames.begin() + std::min<std::ptrdiff_t>(begin, frames.size()),
                           frames.end());
        if (!event.completion)
            continue;
        if (const auto done = event.completion(after))
            millis.push_back(1000.0 * static_cast<double>(*done) / MonitorRecorder::kRate);
        else
            ++incomplete;
    }
    std::printf("%-58s click median %.2fx worst %.2fx", event.name, Median(clicks),
                *std::max_element(clicks.begin(), clicks.end()));
    if (!millis.empty())
        std::printf("; done after median %.0f ms, worst %.0f ms", Median(millis),
                    *std::max_element(millis.begin(), millis.end()));
    if (incomplete > 0)
        std::printf("; %d incomplete", incomplete);
    std::printf("\n");
}

void MeasureTones(const char* what, const Tone& a, const Tone& b, int rounds,
                  tone::SoundService& service, MonitorRecorder& recorder)
{
    std::printf("-- %s\n", what);
    const auto silence = [&](tone::SoundService& s) {
        s.stop();
        recorder.waitForSilence(300ms, 5s);
    };
    const auto playing = [&](std::uint32_t volume) {
        return [&, volume](tone::SoundService& s) {
            s.setVolume(volume);
            s.playLooped(a.span());
        };
    };
    const double both = std::max(a.largestStep, b.largestStep);
    const Event events[] = {
        {"start at full volume", silence,
         [&](tone::SoundService& s) {
             s.setVolume(kFull);
             s.playLooped(a.span());
         },
         a.largestStep, Reaches(a)},
        {"unmuting a tone started muted 100 ms before",
         [&](tone::SoundService& s) {
             silence(s);
             s.setVolume(0);
             s.playLooped(a.span());
         },
         [&](tone::SoundService& s) { s.setVolume(kFull); }, a.largestStep, Reaches(a), 100ms},
        {"slider step 0xFFFFFFFF -> 0x40004000", playing(kFull),
         [&](tone::SoundService& s) { s.setVolume(kQuarter); }, a.largestStep,
         FallsTo(a.peak * kQuarterLevel)},
        {"slider step 0x40004000 -> 0xFFFFFFFF", playing(kQuarter),
         [&](tone::SoundService& s) { s.setVolume(kFull); }, a.largestStep, Reaches(a)},
        {"stop at full volume", playing(kFull), [&](tone::SoundService& s) { s.stop(); },
         a.largestStep, FallsTo(0)},
        {"replacing a tone at full volume", playing(kFull),
         [&](tone::SoundService& s) { s.playLooped(b.span()); }, both, nullptr},
        {"new tone as the engine starts it (mute, play, 100 ms, unmute)", playing(kFull),
         [&](tone::SoundService& s) {
             s.setVolume(0);
             s.playLooped(b.span());
             s.pause(100ms);
             s.setVolume(kFull);
         },
         both, ReachesAfterAPause(b)},

    };
    for (const Event& event : events)
        MeasureEvent(event, rounds, service, recorder);
}

} // namespace

int MeasureClicks(int rounds, const std::string& source)
{
    MonitorRecorder recorder(source);
    const std::unique_ptr<tone::SoundService> output = OpenOutput();
    tone::SoundService& service = *output;
    // The recording's first second dates its frames poorly (MonitorRecorder::startNear).
    service.pause(1500ms);
    MeasureTones("A4 (440 Hz) and E5 (659 Hz)", MakeTone(tone::NoteFrequency(440, 10, 4)),
                 MakeTone(tone::NoteFrequency(440, 5, 5)), rounds, service, recorder);
    MeasureTones("C1 (33 Hz) and G1 (49 Hz)", MakeTone(tone::NoteFrequency(440, 1, 1)),
                 MakeTone(tone::NoteFrequency(440, 8, 1)), rounds, service, recorder);
    service.stop();
    return 0;
}

} // namespace probe
