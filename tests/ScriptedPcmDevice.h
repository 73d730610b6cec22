#pragma once

#include "FileSinkOutput.h" // Frame

#include "alsa/PcmDevice.h"
#include "playback/WakeSignal.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

// A playback device for tests of the playback thread, with a buffer of kBufferFrames that
// only the test empties (consume), so that every test is paced by frames, not by time. The
// test scripts what the next calls return (errors, short writes, wake-ups without room) and
// can make a call hang until it is released. Thread-safe: the playback thread calls the
// devices, the test thread scripts and observes them.
class PcmScript : public std::enable_shared_from_this<PcmScript>
{
public:
    static constexpr std::size_t kPeriodFrames = 100;
    static constexpr std::size_t kBufferFrames = 300;
    static constexpr unsigned kSampleRate = 22050;

    // The calls a device gets, as recorded and as scripted.
    enum class Call { Open, Write, Wait, Prepare, Resume, Close };

    // Opens the devices of this script.
    tone::PcmDeviceOpener opener();

    // Scripting, applied to the next calls in order; once used up, calls behave normally.
    // `count` opens fail with `error`.
    void failOpens(int error, int count);
    // The next writes: a negative error code, or the most frames the device takes.
    void scriptWrites(std::vector<long> results);
    void scriptWaits(std::vector<tone::PcmWait> results);
    // A suspended device that resume finds still asleep `asleepCount` times, then `result`.
    void scriptResume(int asleepCount, int result);
    // The next call of this kind does not return until release() (or ever, without it).
    void hangIn(Call call);
    void release();

    // Plays up to `count` queued frames and returns them.
    std::vector<Frame> consume(std::size_t count);
    // Waits until `condition` holds of the queued frames; false after a safety timeout.
    bool waitForQueued(const std::function<bool(const std::deque<Frame>&)>& condition);
    bool waitUntilFull();
    // Waits until `count` calls of this kind have been made, or a call hangs as scripted.
    bool waitForCalls(Call call, std::size_t count);
    bool waitUntilHanging();
    // Waits until the playback thread blocks waiting for room, for the `atLeast`th time or
    // later; returns how many times it has, or 0 after a safety timeout.
    std::size_t waitUntilBlocked(std::size_t atLeast = 1);

    // Plays frames as the device queues them until every device opened has been closed;
    // returns them. False in `closed` after a safety timeout.
    std::vector<Frame> playUntilClosed(bool& closed);
    // The same until a call hangs as scripted.
    bool playUntilHanging();

    // The frames that the last close threw away unplayed.
    std::vector<Frame> lastCut();

    std::size_t calls(Call call);
    std::vector<std::chrono::steady_clock::time_point> openTimes();
    std::size_t queuedFrames();
    std::deque<Frame> queued();

private:
    friend class ScriptedPcmDevice;
    using Lock = std::unique_lock<std::mutex>;

    // Records a call and hangs in it when so scripted; called with the lock held.
    void enter(Lock& lock, Call call);
    bool waitFor(Lock& lock, const std::function<bool()>& condition);
    std::vector<Frame> playUntil(const std::function<bool()>& done, bool& reached);

    std::mutex mutex_;
    std::condition_variable changed_;
    // Raised whenever the test consumes frames: the devices' "room" descriptor.
    tone::WakeSignal room_;
    std::deque<Frame> queued_;
    std::deque<long> writes_;
    std::deque<tone::PcmWait> waits_;
    int failingOpens_ = 0;
    int openError_ = 0;
    // 0, or -EPIPE or -ESTRPIPE while the device is in that state.
    int state_ = 0;
    int asleep_ = 0;
    int resumeResult_ = 0;
    bool hangPending_ = false;
    Call hangCall_ = Call::Open;
    bool hanging_ = false;
    bool released_ = false;
    std::vector<Frame> lastCut_;
    // Whether a wait is blocked for lack of room, and how many have been.
    bool blocked_ = false;
    std::size_t blockedWaits_ = 0;
    // Devices opened and not yet destroyed.
    int openDevices_ = 0;
    std::vector<std::size_t> callCounts_ = std::vector<std::size_t>(6);
    std::vector<std::chrono::steady_clock::time_point> openTimes_;
};
