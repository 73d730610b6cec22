// Measures how a click on the note stepper is heard, for bench/desktop-figures.sh:
//   click_latency_probe SOURCE ROUNDS [SECONDS...]
// The pointer must already rest on a control whose click replaces a loud tone by another
// one after a mute (the note stepper's upper arrow in Sound mode, its slider near the top).
// For each pace in SECONDS (by default 0.6), it clicks ROUNDS times that far apart with
// xdotool, noting the time when xdotool has handed the press to the X server, and records
// SOURCE (the sink's monitor). For each click it finds the silence between the old tone
// and the new one (RestartGap.h) and prints how long the silence lasts and how long after
// the click the new tone is heard; a click whose tone never sounds before the next click is
// counted as swallowed. The delay includes the program's designed 100 ms mute. Not a test:
// the figures depend on the machine.

#include "MonitorRecorder.h"
#include "RestartGap.h"

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using probe::MonitorRecorder;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Runs xdotool with one command for button 1 and returns when it has ended, by which time
// the X server has the event. (`xdotool click` waits between press and release, and the
// stepper acts on the press, so the press is timed on its own.)
Clock::time_point Xdotool(const char* command)
{
    char program[] = "xdotool";
    char button[] = "1";
    char* argv[] = {program, const_cast<char*>(command), button, nullptr};
    pid_t child = 0;
    if (posix_spawnp(&child, program, nullptr, nullptr, argv, environ) != 0) {
        std::fprintf(stderr, "cannot run xdotool\n");
        std::exit(1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return Clock::now();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double Millis(std::size_t frames)
{
    return 1000.0 * static_cast<double>(frames) / MonitorRecorder::kRate;
}

void MeasurePace(MonitorRecorder& recorder, int rounds, double seconds)
{
    const auto pace = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(seconds));
    std::vector<Clock::time_point> clicks;
    auto next = Clock::now();
    for (int round = 0; round < rounds; ++round) {
        std::this_thread::sleep_until(next);
        clicks.push_back(Xdotool("mousedown"));
        Xdotool("mouseup");
        next = clicks.back() + pace;
    }
    // The last click's tone, and what comes after it, must be recorded too.
    std::this_thread::sleep_until(std::max(next, clicks.back() + 1s));

    std::vector<double> delays, silences;
    int swallowed = 0;
    for (std::size_t i = 0; i < clicks.size(); ++i) {
        const std::int64_t from = recorder.frameAt(clicks[i]);
        const auto until = i + 1 < clicks.size() ? clicks[i + 1] : clicks[i] + 1s;
        const auto gap = probe::FindRestartGap(recorder.framesUpTo(from, recorder.frameAt(until)),
                                               MonitorRecorder::kRate);
        if (!gap) {
            ++swallowed;
            std::printf("  click %zu: no new tone before the next click\n", i + 1);
            continue;
        }
        delays.push_back(Millis(gap->silenceEnd));
        silences.push_back(Millis(gap->silenceEnd - gap->silenceStart));
        std::printf("  click %zu: silence %.1f ms, new tone after %.1f ms\n", i + 1,
                    silences.back(), delays.back());
    }
    std::printf("every %.1f s: ", seconds);
    if (!delays.empty())
        std::printf("silence median %.1f ms (%.1f to %.1f), new tone after median %.1f ms "
                    "(worst %.1f); ",
                    Median(silences), *std::min_element(silences.begin(), silences.end()),
                    *std::max_element(silences.begin(), silences.end()), Median(delays),
                    *std::max_element(delays.begin(), delays.end()));
    std::printf("%d of %d clicks swallowed\n", swallowed, rounds);
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s SOURCE ROUNDS [SECONDS...]\n", argv[0]);
        return 2;
    }
    const std::string source = argv[1];
    const int rounds = std::atoi(argv[2]);
    std::vector<double> paces;
    for (int i = 3; i < argc; ++i)
        paces.push_back(std::atof(argv[i]));
    if (paces.empty())
        paces.push_back(0.6);
    MonitorRecorder recorder(source);
    // The recording's first second dates its frames poorly (MonitorRecorder::startNear).
    std::this_thread::sleep_for(1500ms);
    for (const double seconds : paces)
        MeasurePace(recorder, rounds, seconds);
    return 0;
}
