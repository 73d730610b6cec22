// Measures a sound output of the program (ProbeOutput.h: "stream" or "alsa") against a sound
// server's null sink, for bench/playback-pulse.sh:
//   playback_pulse_probe OUTPUT cpu SECONDS
//     loops A4 for SECONDS and prints the CPU time of the playback thread and of the process;
//   playback_pulse_probe OUTPUT latency ROUNDS SOURCE
//     records SOURCE (the sink's monitor) and prints how long a play request takes to be
//     heard at the sink, from silence and when it replaces another tone.
//   playback_pulse_probe OUTPUT clicks ROUNDS SOURCE
//     records SOURCE (the monitor of a sink at 22050 Hz) while tones start, stop, change
//     level and replace each other, and prints for each kind of event how large the largest
//     sample-to-sample step is against the tone's own, and how long the change takes;
//   playback_pulse_probe OUTPUT restarts ROUNDS SOURCE SECONDS...
//     records SOURCE while tones are started as the engine starts them (Tone_Sound), ROUNDS
//     times at each pace of SECONDS, once more as pairs of starts in a row, and after 1 and
//     3 s in Off, and prints the silence between the old tone and the new one and when the
//     new one is heard;
//   playback_pulse_probe OUTPUT play SECONDS
//     loops A4 for SECONDS, whatever happens to the server meanwhile;
//   playback_pulse_probe OUTPUT peak SOURCE SECONDS
//     records SOURCE for SECONDS and prints the loudest sample;
//   playback_pulse_probe OUTPUT stopped-server PID
//     stops the sound server PID (SIGSTOP) while a tone plays, and before the PCM is open,
//     and prints how long the service's destructor takes each time; resumes the server
//     after each and goes on for a second, in which the call left behind returns;
//   playback_pulse_probe OUTPUT exit-with-stopped-server PID
//     stops the server while a tone plays and ends the process; the script times the end.
// Not a test: the figures depend on the machine and the sound server.

#include "tone/NoteFrequency.h"
#include "tone/ToneBuffer.h"
#include "tone/ToneImageBuilder.h"
#include "tone/TonePlayback.h"
#include "tone/ToneSamples.h"
#include "tone/ToneState.h"
#include "tone/WaveFormat.h"

#include "ClickMeasure.h"
#include "MonitorRecorder.h"
#include "ProbeOutput.h"
#include "RestartGap.h"

#include <pulse/error.h>
#include <pulse/simple.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using probe::Clock;
using probe::MonitorRecorder;
using namespace std::chrono_literals;

std::vector<std::uint8_t> ImageBytes(long double frequency)
{
    const auto buffer = tone::CreateToneBuffer();
    tone::WriteToneImage(frequency, *buffer);
    const QByteArray& data = buffer->data();
    return {data.begin(), data.end()};
}

// The tone squeezed to 1/24 of its swing (samples 124..132): heard, but far below the
// detection threshold, so that the switch to a full tone stands out.
std::vector<std::uint8_t> QuietImageBytes(long double frequency)
{
    std::vector<std::uint8_t> image = ImageBytes(frequency);
    // Every byte after the header is a sample but the trailing zero.
    for (std::size_t i = tone::wave::kHeaderSize; i + 1 < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(128 + (image[i] - 128) / 24);
    return image;
}

std::span<const std::uint8_t> Span(const std::vector<std::uint8_t>& bytes)
{
    return {bytes.data(), bytes.size()};
}

// CPU time of one thread of this process in seconds: the scheduler's nanosecond count from
// /proc/self/task/TID/schedstat, or user + system time from its stat file (in clock ticks of
// 10 ms, too coarse for a few seconds of a light thread) where the kernel keeps no
// schedstat.
double ThreadCpuSeconds(const std::string& tid)
{
    std::ifstream schedstat("/proc/self/task/" + tid + "/schedstat");
    double nanoseconds = 0;
    if (schedstat >> nanoseconds)
        return nanoseconds / 1e9;

    std::ifstream stat("/proc/self/task/" + tid + "/stat");
    std::string line;
    std::getline(stat, line);
    // Fields after the parenthesised name: state is field 3, utime 14, stime 15.
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int index = 3; index <= 15 && fields >> field; ++index) {
        if (index >= 14)
            ticks += std::stod(field);
    }
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// How often a thread of this process went to sleep and was woken again.
long ThreadWakeUps(const std::string& tid)
{
    std::ifstream status("/proc/self/task/" + tid + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0)
            return std::stol(line.substr(line.find(':') + 1));
    }
    return 0;
}

std::optional<std::string> FindThread(const std::string& name)
{
    DIR* tasks = opendir("/proc/self/task");
    std::optional<std::string> found;
    while (dirent* entry = readdir(tasks)) {
        std::ifstream comm(std::string("/proc/self/task/") + entry->d_name + "/comm");
        std::string threadName;
        if (std::getline(comm, threadName) && threadName == name)
            found = entry->d_name;
    }
    closedir(tasks);
    return found;
}

double ProcessCpuSeconds()
{
    timespec cpu{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    return cpu.tv_sec + cpu.tv_nsec / 1e9;
}

int MeasureCpu(int seconds)
{
    const auto image = ImageBytes(tone::NoteFrequency(440, 10, 4));
    const std::unique_ptr<tone::SoundService> output = probe::OpenOutput();
    tone::SoundService& service = *output;
    service.playLooped(Span(image));
    // The first second covers opening the PCM and connecting to the server.
    service.pause(1s);
    const std::optional<std::string> tid = FindThread("tone playback");
    if (!tid) {
        std::fprintf(stderr, "the playback thread was not found\n");
        return 1;
    }
    const double threadBefore = ThreadCpuSeconds(*tid);
    const long wakeUpsBefore = ThreadWakeUps(*tid);
    const double processBefore = ProcessCpuSeconds();
    const auto start = Clock::now();
    service.pause(std::chrono::seconds(seconds));
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    const double thread = ThreadCpuSeconds(*tid) - threadBefore;
    const double process = ProcessCpuSeconds() - processBefore;
    const long wakeUps = ThreadWakeUps(*tid) - wakeUpsBefore;
    service.stop();
    std::printf("playback thread CPU: %.3f s in %.1f s = %.3f %% of one core\n", thread, wall,
                100 * thread / wall);
    std::printf("playback thread woke %.0f times a second\n", wakeUps / wall);
    std::printf("whole process CPU:   %.3f s in %.1f s = %.3f %% of one core\n", process, wall,
                100 * process / wall);
    return 0;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void PrintFigures(const char* what, const std::vector<double>& millis)
{
    if (millis.empty()) {
        std::printf("%s: no tone detected\n", what);
        return;
    }
    std::printf("%s: median %.1f ms, min %.1f ms, max %.1f ms over %zu requests\n", what,
                Median(millis), *std::min_element(millis.begin(), millis.end()),
                *std::max_element(millis.begin(), millis.end()), millis.size());
}

int MeasureLatency(int rounds, const std::string& source)
{
    const auto loud = ImageBytes(tone::NoteFrequency(440, 10, 4));
    const auto quiet = QuietImageBytes(tone::NoteFrequency(440, 1, 4));
    // The loud tone's sample 2 is the first above the threshold: 6144 against the quiet
    // tone's 1024 at most.
    constexpr int kThreshold = 5000;
    constexpr double kDetectionOffsetMs = 2 * 1000.0 / 22050;

    MonitorRecorder recorder(source);
    const std::unique_ptr<tone::SoundService> output = probe::OpenOutput();
    tone::SoundService& service = *output;
    // The recording's first second dates its frames poorly (MonitorRecorder::startNear).
    service.pause(1500ms);
    // When each request was made and which recorded frame first carried its tone; turned
    // into times once the recording has run long enough to pin its start down.
    std::vector<std::pair<Clock::time_point, std::uint64_t>> fromSilence, replacing, unmuting;
    const auto measure = [&](const auto& makeRequest, auto& results) {
        recorder.arm(kThreshold);
        const auto requested = Clock::now();
        makeRequest();
        if (const auto frame = recorder.waitForLoudFrame(3s))
            results.emplace_back(requested, *frame);
    };
    const auto request = [&](const std::vector<std::uint8_t>& image, auto& results) {
        measure([&] { service.playLooped(Span(image)); }, results);
    };
    for (int round = 0; round < rounds; ++round) {
        service.stop();
        recorder.waitForSilence(300ms, 5s);
        request(loud, fromSilence);
        // The quiet tone plays steadily before the loud one replaces it.
        service.playLooped(Span(quiet));
        service.pause(400ms);
        request(loud, replacing);
        service.pause(200ms);
        // A tone started the way the program starts one: muted, 100 ms, then its volume.
        // The unmuted tone starts at any phase, so its first loud sample may come up to a
        // quarter of a period (0.6 ms) later than with the requests above.
        service.stop();
        recorder.waitForSilence(300ms, 5s);
        service.setVolume(0);
        service.playLooped(Span(loud));
        service.pause(100ms);
        measure([&] { service.setVolume(0xFFFFFFFF); }, unmuting);
    }
    service.stop();
    const auto millis = [&](const auto& results) {
        std::vector<double> values;
        for (const auto& [requested, frame] : results) {
            const auto heard = recorder.capturedAt(frame);
            values.push_back(std::chrono::duration<double, std::milli>(heard - requested).count() -
                             kDetectionOffsetMs);
        }
        return values;
    };
    PrintFigures("request to first sample at the sink, from silence", millis(fromSilence));
    PrintFigures("request to first sample at the sink, replacing a tone", millis(replacing));
    PrintFigures("unmuting a tone started muted 100 ms before, to its sound", millis(unmuting));
    return 0;
}

double Millis(std::size_t frames)
{
    return 1000.0 * static_cast<double>(frames) / MonitorRecorder::kRate;
}

// How a restart is measured: after a tone, or after that long in Off (the tone stopped).
enum class Before { Tone, Off };

// Starts a tone every `pace` as a change of note starts it, `rounds` times, `starts` in a
// row each time (two: as choosing Sound from the menu does), and prints how each is heard.
// From Off, the tone is stopped `pace` before each start, and the silence counts from the
// start.
void MeasureRestarts(tone::SoundService& service, MonitorRecorder& recorder, int rounds,
                     std::chrono::milliseconds pace, int starts, Before before = Before::Tone)
{
    tone::ToneState state;
    tone::Tone_Sound(state, service, state.CurrentFrequency, 440, 0);
    service.pause(pace);
    std::vector<Clock::time_point> times;
    for (int round = 0; round < rounds; ++round) {
        if (before == Before::Off) {
            service.stop();
            service.pause(pace);
        }
        const auto started = Clock::now();
        times.push_back(started);
        for (int start = 0; start < starts; ++start) {
            state.NoteIndex = state.NoteIndex == 10 ? 11 : 10;
            tone::Tone_Sound(state, service, state.CurrentFrequency, 440, 0);
        }
        std::this_thread::sleep_until(started + pace);
    }
    std::vector<double> silences, delays;
    int swallowed = 0;
    for (const auto started : times) {
        const auto gap = probe::FindRestartGap(
            recorder.framesUpTo(recorder.frameAt(started), recorder.frameAt(started + pace)),
            MonitorRecorder::kRate);
        if (!gap) {
            ++swallowed;
            continue;
        }
        silences.push_back(Millis(gap->silenceEnd - gap->silenceStart));
        delays.push_back(Millis(gap->silenceEnd));
    }
    if (before == Before::Off)
        std::printf("a start after %.1f s in Off: ", pace.count() / 1000.0);
    else
        std::printf("%d start%s in a row every %.1f s: ", starts, starts > 1 ? "s" : "",
                    pace.count() / 1000.0);
    if (!silences.empty())
        std::printf("silence median %.1f ms (%.1f to %.1f), new tone after median %.1f ms "
                    "(worst %.1f); ",
                    Median(silences), *std::min_element(silences.begin(), silences.end()),
                    *std::max_element(silences.begin(), silences.end()), Median(delays),
                    *std::max_element(delays.begin(), delays.end()));
    std::printf("%d of %d swallowed\n", swallowed, rounds);
}

int MeasureRestarts(int rounds, const std::string& source, const std::vector<double>& paces)
{
    MonitorRecorder recorder(source);
    const std::unique_ptr<tone::SoundService> output = probe::OpenOutput();
    // The recording's first second dates its frames poorly (MonitorRecorder::startNear).
    output->pause(1500ms);
    for (const double seconds : paces)
        MeasureRestarts(*output, recorder, rounds,
                        std::chrono::milliseconds(static_cast<long>(seconds * 1000)), 1);
    MeasureRestarts(*output, recorder, rounds, 3s, 2);
    for (const double seconds : {1.0, 3.0})
        MeasureRestarts(*output, recorder, rounds,
                        std::chrono::milliseconds(static_cast<long>(seconds * 1000)), 1,
                        Before::Off);
    output->stop();
    return 0;
}

int Play(int seconds)
{
    const auto image = ImageBytes(tone::NoteFrequency(440, 10, 4));
    const std::unique_ptr<tone::SoundService> output = probe::OpenOutput();
    output->playLooped(Span(image));
    output->pause(std::chrono::seconds(seconds));
    output->stop();
    return 0;
}

int PrintPeak(const std::string& source, int seconds)
{
    MonitorRecorder recorder(source);
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds) + 200ms);
    int peak = 0;
    for (const auto& frame : recorder.framesUpTo(0, recorder.frameAt(start + std::chrono::seconds(seconds))))
        peak = std::max({peak, std::abs(int{frame[0]}), std::abs(int{frame[1]})});
    std::printf("%d\n", peak);
    return 0;
}

double MillisecondsToDestroy(std::unique_ptr<tone::SoundService>& service)
{
    const auto start = Clock::now();
    service.reset();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

int MeasureStoppedServer(pid_t server)
{
    const auto image = ImageBytes(tone::NoteFrequency(440, 10, 4));
    {
        auto service = probe::OpenOutput();
        service->playLooped(Span(image));
        service->pause(1s);
        kill(server, SIGSTOP);
        service->pause(100ms);
        std::printf("destructor with the server stopped while a tone plays: %.1f ms\n",
                    MillisecondsToDestroy(service));
        kill(server, SIGCONT);
        std::this_thread::sleep_for(1s);
    }
    {
        kill(server, SIGSTOP);
        auto service = probe::OpenOutput();
        service->playLooped(Span(image));
        service->pause(200ms);
        std::printf("destructor with the server stopped before the PCM opened: %.1f ms\n",
                    MillisecondsToDestroy(service));
        kill(server, SIGCONT);
        std::this_thread::sleep_for(1s);
    }
    return 0;
}

int ExitWithStoppedServer(pid_t server)
{
    const auto image = ImageBytes(tone::NoteFrequency(440, 10, 4));
    const std::unique_ptr<tone::SoundService> output = probe::OpenOutput();
    tone::SoundService& service = *output;
    service.playLooped(Span(image));
    service.pause(1s);
    kill(server, SIGSTOP);
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::printf("%lld.%09ld\n", static_cast<long long>(now.tv_sec), now.tv_nsec);
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1)
        probe::outputName = argv[1];
    // The arguments after the output's name and the mode.
    const std::vector<std::string> rest(argv + std::min(argc, 3), argv + argc);
    const std::string mode = argc > 2 ? argv[2] : "";
    if (mode == "cpu" && rest.size() == 1)
        return MeasureCpu(std::stoi(rest[0]));
    if (mode == "latency" && rest.size() == 2)
        return MeasureLatency(std::stoi(rest[0]), rest[1]);
    if (mode == "clicks" && rest.size() == 2)
        return probe::MeasureClicks(std::stoi(rest[0]), rest[1]);
    if (mode == "restarts" && rest.size() >= 3) {
        std::vector<double> paces;
        for (std::size_t i = 2; i < rest.size(); ++i)
            paces.push_back(std::stod(rest[i]));
        return MeasureRestarts(std::stoi(rest[0]), rest[1], paces);
    }
    if (mode == "play" && rest.size() == 1)
        return Play(std::stoi(rest[0]));
    if (mode == "peak" && rest.size() == 2)
        return PrintPeak(rest[0], std::stoi(rest[1]));
    if (mode == "stopped-server" && rest.size() == 1)
        return MeasureStoppedServer(std::stoi(rest[0]));
    if (mode == "exit-with-stopped-server" && rest.size() == 1)
        return ExitWithStoppedServer(std::stoi(rest[0]));
    std::fprintf(stderr,
                 "usage: %s stream|alsa cpu SECONDS | latency ROUNDS SOURCE | clicks ROUNDS SOURCE |"
                 " restarts ROUNDS SOURCE SECONDS... | play SECONDS | peak SOURCE SECONDS |"
                 " stopped-server PID | exit-with-stopped-server PID\n",
                 argv[0]);
    return 2;
}
