#pragma once

#include "LoopRenderer.h"
#include "WakeSignal.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace tone {

// One sound output opened at one sample rate, as the playback loop drives it: ALSA's PCM
// (alsa/PcmDeviceOutput) or a sound server's stream (pulse/StreamOutput). Opened, used and
// destroyed by the playback thread alone. Its calls return at once, except wait(), and the
// destructor, which may block for as long as the device does (ALSA's bridge to a stopped
// sound server waits without a timeout).
class PlaybackOutput
{
public:
    using Clock = std::chrono::steady_clock;
    enum class Status { Opening, Open, Failed };

    // Closes the output; what it still holds is not heard.
    virtual ~PlaybackOutput() = default;

    virtual Status status() const = 0;
    // Why the output cannot be used, as one log line: its failure once Failed, and while
    // Opening, that it has not opened in time.
    virtual std::string failure() const = 0;
    virtual unsigned sampleRate() const = 0;

    // How many frames it takes now.
    virtual std::size_t wanted() = 0;
    // Takes frames, at most wanted().
    virtual void write(std::span<const StereoFrame> frames) = 0;
    // Whether it has played frames since it was opened, as a sign that it works again after
    // a failure: it has taken more than it can hold.
    virtual bool hasPlayed() const = 0;
    // At most how many frames it holds that may still be heard.
    virtual std::size_t stillToBeHeard() = 0;

    // How far back replace() may ever reach, and how many of the last frames written it can
    // replace now: those it holds that are not about to be heard. Asked when what is to be
    // heard has changed.
    virtual std::size_t longestReplace() const = 0;
    virtual std::size_t replaceable() = 0;
    // The next frames written go in place of the last `frames` written (at most
    // replaceable()), which are never heard.
    virtual void replace(std::size_t frames) = 0;

    // Waits until the output wants frames or has failed, the wake signal is raised, or
    // `until` has passed, whichever comes first; an output that is still taking frames
    // written before (a PCM) takes them first.
    virtual void wait(WakeSignal& wake, std::optional<Clock::time_point> until) = 0;
};

// Opens an output at `sampleRate`, or returns nothing and says why in `failure`, as one log
// line. Called on the playback thread; may block for as long as the device does.
using OutputOpener =
    std::function<std::unique_ptr<PlaybackOutput>(unsigned sampleRate, std::string& failure)>;

} // namespace tone
