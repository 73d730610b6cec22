// Measures how long a click takes to be heard as a new tone, for bench/desktop-figures.sh:
//   click_latency_probe SOURCE ROUNDS
// The pointer must already rest on a control whose click replaces a loud tone by another
// one after a mute (the note stepper's upper arrow in Sound mode, its slider near the top).
// Each round clicks with xdotool, notes the time when xdotool has handed the press to the X
// server, and records SOURCE (the sink's monitor) until the old tone has stopped and the
// new one is heard; it prints each delay and their median. The delay includes the
// program's designed mute. Not a test: the figures depend on the machine.

#include "MonitorRecorder.h"

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

// A tone at a tenth of full scale or more counts as heard.
constexpr int kLoud = 3000;

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

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SOURCE ROUNDS\n", argv[0]);
        return 2;
    }
    const std::string source = argv[1];
    const int rounds = std::atoi(argv[2]);
    MonitorRecorder recorder(source);
    std::vector<double> delays;
    for (int round = 0; round < rounds; ++round) {
        // The tone before the click must be sounding.
        recorder.arm(kLoud);
        if (!recorder.waitForLoudFrame(5s)) {
            std::fprintf(stderr, "no tone sounds before click %d\n", round + 1);
            return 1;
        }
        const auto clicked = Xdotool("mousedown");
        Xdotool("mouseup");
        if (!recorder.waitForSilence(20ms, 5s)) {
            std::fprintf(stderr, "the tone went on without a mute after click %d\n", round + 1);
            return 1;
        }
        recorder.arm(kLoud);
        const auto frame = recorder.waitForLoudFrame(5s);
        if (!frame) {
            std::fprintf(stderr, "no new tone after click %d\n", round + 1);
            return 1;
        }
        const double delay =
            std::chrono::duration<double, std::milli>(recorder.capturedAt(*frame) - clicked)
                .count();
        std::printf("click %d: new tone after %.1f ms\n", round + 1, delay);
        delays.push_back(delay);
        std::this_thread::sleep_for(500ms);
    }
    std::printf("median %.1f ms over %d clicks\n", Median(delays), rounds);
    return 0;
}
