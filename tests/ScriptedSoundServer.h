#pragma once

#include "FileSinkOutput.h" // Frame

#include "playback/WakeSignal.h"
#include "pulse/StreamOutput.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

// A sound server for tests of the stream's playback thread, standing where libpulse stands
// in the program. Only the test plays what the server holds (consume), so that every test is
// paced by frames, not by time; its position answers give the read index as of the last
// consume and do not move on by themselves. The test scripts how connections go (refused,
// held connecting until answer(), failed later, position answers withheld) and can count
// how often the playback thread has waited through the server, which a thread that spins
// does thousands of times. Thread-safe: the playback thread calls the server and its
// streams, the test thread scripts and observes them.
class ServerScript : public std::enable_shared_from_this<ServerScript>
{
public:
    static constexpr unsigned kSampleRate = 22050;

    // Makes the servers of this script.
    tone::SoundServerMaker maker();

    // Scripting. The next `count` connections are refused with `error`.
    void refuse(int error, int count);
    // Connections stay connecting until answer(); held from now on.
    void holdConnecting();
    // The connections that are still connecting become ready, and so do later ones at once.
    void answer();
    // The open stream fails with `error`, as when the server goes away.
    void failStream(int error);
    // Whether the server answers when asked for a stream's position.
    void answerPositions(bool answers);

    // Plays up to `count` frames of what the open stream holds and returns them.
    std::vector<Frame> consume(std::size_t count);
    // Waits until the open stream holds at least `count` frames; false after a safety
    // timeout.
    bool waitForQueued(std::size_t count);
    // Waits until `count` connections have been asked for, or until none is open.
    bool waitForConnects(std::size_t count);
    bool waitUntilClosed();
    // Waits until the open stream is full and the playback thread waits in the server with
    // nothing left to handle.
    bool waitUntilIdle();
    // Waits until `count` writes have replaced frames written before.
    bool waitForReplacements(std::size_t count);

    std::size_t connects();
    // How many writes replaced frames written before.
    std::size_t replacements();
    std::size_t runs();
    std::size_t openStreams();
    // What the open stream holds from its read index on.
    std::deque<Frame> queued();

private:
    friend class ScriptedServer;
    friend class ScriptedStream;
    using Lock = std::unique_lock<std::mutex>;

    bool waitFor(Lock& lock, const std::function<bool()>& condition);
    // Something happened that ends a wait of the playback thread's in the server.
    void newsLocked();

    std::mutex mutex_;
    std::condition_variable changed_;
    tone::WakeSignal news_;
    int refusals_ = 0;
    int refusalError_ = 0;
    bool holding_ = false;
    bool positionsAnswered_ = true;
    std::size_t connects_ = 0;
    std::size_t runs_ = 0;
    bool waiting_ = false;
    std::size_t replacements_ = 0;
    // The open stream's state; only one is open at a time.
    int openStreams_ = 0;
    bool ready_ = false;
    int streamError_ = 0;
    std::size_t bufferFrames_ = 0;
    std::int64_t readIndex_ = 0;
    std::deque<Frame> queued_; // from readIndex_ on
};
