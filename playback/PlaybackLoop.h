#pragma once

#include "PlaybackOutput.h"
#include "PlaybackRequests.h"
#include "PlaybackThread.h"
#include "ShaperHistory.h"
#include "ToneShaper.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tone {

// The work of the playback thread, whatever the output: feeds the tone that the requests ask
// for (shaped by a ToneShaper) into outputs that `open` gives, until the owner stops it.
// Every change is heard after what the output holds, unless the output can replace what it
// holds: a change then has what it holds made again from the earliest frame it can replace
// (ShaperHistory), so that the change is heard after the output's own margin, however long
// its buffer. Nothing that is about to be heard is ever thrown away.
//
// The thread is always in one of these phases, each holding what only it needs:
// - Idle: no output. With nothing to play it waits for a request; with an image to play it
//   opens an output at the image's rate at once.
// - Opening: an output is being opened (a sound server's stream connects); it is given up
//   at `giveUpAt`, the stall timeout after the attempt began.
// - Playing: an open output at the image's rate takes the tone as it asks for frames.
// - WindingDown: an open output, but nothing is to play on it (a stop, an image at another
//   rate, or the owner going away): the fade-out and silence go in until all it may still
//   play is silence, and then it is closed, so that closing cuts nothing off. The owner's
//   going away gives it until `giveUpAt`.
// - BackingOff: the output could not be opened or failed and is closed; the thread waits
//   until `retryAt` or until a newer request than `failedGeneration` comes, and tries again.
// - Finished: the owner has stopped the thread and no output is open.
// Each phase with an output also holds whether the requests have changed since what the
// output holds was made (OpenOutput::changed). The requests are looked at before every step,
// whatever the phase. Across phases the loop keeps the outage: the pause before the next
// attempt, doubled after every failure up to a limit and reset only once an output has
// played again, and whether the outage has been logged (once an outage).
class PlaybackLoop
{
public:
    PlaybackLoop(std::shared_ptr<PlaybackRequests> requests, OutputOpener open);
    PlaybackLoop(const PlaybackLoop&) = delete;
    PlaybackLoop& operator=(const PlaybackLoop&) = delete;

    // Returns once the owner has asked to stop and no output is open; then marks the
    // requests finished.
    void run();

private:
    using Clock = PlaybackRequests::Clock;

    struct OpenOutput
    {
        std::unique_ptr<PlaybackOutput> output;
        bool changed = false;
    };
    struct Idle
    {
    };
    struct Opening
    {
        OpenOutput open;
        Clock::time_point giveUpAt;
    };
    struct Playing
    {
        OpenOutput open;
    };
    struct WindingDown
    {
        OpenOutput open;
        std::optional<Clock::time_point> giveUpAt;
    };
    struct BackingOff
    {
        Clock::time_point retryAt;
        std::uint64_t failedGeneration = 0;
    };
    struct Finished
    {
    };
    using Phase = std::variant<Idle, Opening, Playing, WindingDown, BackingOff, Finished>;

    // Each step acts on its phase, waits when there is nothing more to do, and returns the
    // phase that follows.
    Phase step(Idle&);
    Phase step(Opening&);
    Phase step(Playing&);
    Phase step(WindingDown&);
    Phase step(BackingOff&);
    Phase step(Finished&);

    // Takes up what the requests ask for; true when that is not what was made last.
    bool lookAtRequests();
    void takeUpRequest();
    bool fits(const PlaybackOutput& output) const;
    Phase open();
    Phase failed(const std::string& failure);
    // Has what the output holds made again from the earliest frame it can replace.
    void remake(OpenOutput& open);
    // Makes what the output wants: the tone, or its fade-out and silence.
    void feed(OpenOutput& open, bool tone);
    // Waits on the requests alone, until `until` or a request newer than `generation`.
    void waitForRequest(std::uint64_t generation, std::optional<Clock::time_point> until);

    const std::shared_ptr<PlaybackRequests> requests_;
    const OutputOpener open_;
    Phase phase_;

    // As of the last look at the requests: the request taken up and whether the owner is
    // going away, and the level the tone was made at.
    std::uint64_t generation_ = 0;
    bool stopping_ = false;
    StereoGain level_{0, 0};
    ToneShaper shaper_;
    ShaperHistory history_;
    std::vector<StereoFrame> frames_;

    std::chrono::milliseconds retryDelay_;
    bool failureLogged_ = false;
};

// What a PlaybackThread runs to play into the outputs that `open` gives.
PlaybackThread::Loop PlaybackLoopOn(OutputOpener open);

} // namespace tone
