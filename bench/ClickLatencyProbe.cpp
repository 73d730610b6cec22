// Measures how a click that restarts the tone is heard, for bench/desktop-figures.sh:
//   click_latency_probe SOURCE ROUNDS SECONDS... [--from-release] [--at X,Y...]
// Without --at, the pointer must already rest on a control whose click replaces a loud tone
// by another one after a mute (the note stepper's upper arrow in Sound mode, its slider
// near the top); with it, each click first moves the pointer to the next of the screen
// points given, in turn (Off, then Sound, say). For each pace in SECONDS, it clicks ROUNDS
// times that far apart with xdotool, noting the time when xdotool has handed the press to
// the X server, and records SOURCE (the sink's monitor). For each click it finds the
// silence between the old tone and the new one (RestartGap.h) and prints how long the
// silence lasts and how long after the click the new tone is heard; a click whose tone
// never sounds before the next click (a click on Off, say) is counted as silent. The delay
// includes the program's designed 100 ms mute. Not a test: the figures depend on the
// machine. The delay counts from the press, which the stepper acts on; with --from-release,
// from the release, which buttons and menu items act on.

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

struct Point
{
    std::string x, y;
};

// Runs xdotool with one command and returns when it has ended, by which time the X server
// has the event. (`xdotool click` waits between press and release, and the stepper acts on
// the press, so the press is timed on its own.)
Clock::time_point Xdotool(std::vector<std::string> arguments)
{
    std::vector<char*> argv;
    std::string program = "xdotool";
    argv.push_back(program.data());
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    if (posix_spawnp(&child, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
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

void MeasurePace(MonitorRecorder& recorder, int rounds, double seconds,
                 const std::vector<Point>& points, bool fromRelease)
{
    const auto pace = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(seconds));
    std::vector<Clock::time_point> clicks;
    auto next = Clock::now();
    for (int round = 0; round < rounds; ++round) {
        if (!points.empty()) {
            const Point& point = points[static_cast<std::size_t>(round) % points.size()];
            Xdotool({"mousemove", "--sync", point.x, point.y});
        }
        std::this_thread::sleep_until(next);
        const Clock::time_point pressed = Xdotool({"mousedown", "1"});
        const Clock::time_point released = Xdotool({"mouseup", "1"});
        clicks.push_back(fromRelease ? released : pressed);
        next = pressed + pace;
    }
    // The last click's tone, and what comes after it, must be recorded too.
    std::this_thread::sleep_until(std::max(next, clicks.back() + 1s));

    // The figures of each point apart.
    const std::size_t kinds = std::max<std::size_t>(points.size(), 1);
    std::vector<std::vector<double>> delays(kinds), silences(kinds);
    std::vector<int> silent(kinds);
    for (std::size_t i = 0; i < clicks.size(); ++i) {
        const std::size_t kind = i % kinds;
        const std::int64_t from = recorder.frameAt(clicks[i]);
        const auto until = i + 1 < clicks.size() ? clicks[i + 1] : clicks[i] + 1s;
        const auto gap = probe::FindRestartGap(recorder.framesUpTo(from, recorder.frameAt(until)),
                                               MonitorRecorder::kRate);
        if (!gap) {
            ++silent[kind];
            std::printf("  click %zu: no new tone before the next click\n", i + 1);
            continue;
        }
        delays[kind].push_back(Millis(gap->silenceEnd));
        silences[kind].push_back(Millis(gap->silenceEnd - gap->silenceStart));
        std::printf("  click %zu: silence %.1f ms, new tone after %.1f ms\n", i + 1,
                    silences[kind].back(), delays[kind].back());
    }
    for (std::size_t kind = 0; kind < kinds; ++kind) {
        std::printf("every %.1f s", seconds);
        if (!points.empty())
            std::printf(", at %s,%s", points[kind].x.c_str(), points[kind].y.c_str());
        std::printf(": ");
        const auto& d = delays[kind];
        const auto& s = silences[kind];
        if (!d.empty())
            std::printf("silence median %.1f ms (%.1f to %.1f), new tone after median %.1f ms "
                        "(worst %.1f); ",
                        Median(s), *std::min_element(s.begin(), s.end()),
                        *std::max_element(s.begin(), s.end()), Median(d),
                        *std::max_element(d.begin(), d.end()));
        std::printf("%d of %zu clicks without a new tone\n", silent[kind], d.size() + silent[kind]);
    }
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s SOURCE ROUNDS SECONDS... [--from-release] [--at X,Y...]\n",
                     argv[0]);
        return 2;
    }
    const std::string source = argv[1];
    const int rounds = std::atoi(argv[2]);
    std::vector<double> paces;
    std::vector<Point> points;
    bool atPoints = false;
    bool fromRelease = false;
    for (int i = 3; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--from-release") {
            fromRelease = true;
        } else if (argument == "--at") {
            atPoints = true;
        } else if (atPoints) {
            const std::size_t comma = argument.find(',');
            points.push_back({argument.substr(0, comma), argument.substr(comma + 1)});
        } else {
            paces.push_back(std::atof(argv[i]));
        }
    }
    MonitorRecorder recorder(source);
    // The recording's first second dates its frames poorly (MonitorRecorder::startNear).
    std::this_thread::sleep_for(1500ms);
    for (const double seconds : paces)
        MeasurePace(recorder, rounds, seconds, points, fromRelease);
    return 0;
}
