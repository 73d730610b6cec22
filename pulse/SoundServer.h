#pragma once

#include "playback/LoopRenderer.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

namespace tone {

// A playback stream to be opened on the sound server, 16-bit stereo at `sampleRate`.
struct StreamRequest
{
    unsigned sampleRate = 0;
    // The most the server keeps queued from the stream, and how much room it waits for
    // before it asks for more. The server sets its sink's own latency to the target length
    // less two requests (its classic buffer model).
    std::chrono::microseconds targetLength{0};
    std::chrono::microseconds request{0};
};

// One playback stream on the sound server, through the connection that carries it. Its
// calls never block, but position(), which waits for the server's answer for at most the
// time it is given. Frames are counted from the stream's start.
class ServerStream
{
public:
    enum class State { Connecting, Ready, Failed };

    // Where the server had got to in the stream when it answered.
    struct Position
    {
        std::int64_t read = 0; // frames taken from the stream into the sink
        std::chrono::steady_clock::time_point at;
        bool playing = false;                     // whether `read` moves on from `at`
        std::chrono::microseconds sinkLatency{0}; // from a frame's reading to its being heard
    };

    // Closes the stream and its connection at once; what they hold is not heard.
    virtual ~ServerStream() = default;

    virtual State state() const = 0;
    // The server's error code (libpulse's PA_ERR_...) once the stream has failed.
    virtual int error() const = 0;
    // Once Ready: the frames the server keeps queued from the stream, at most, as granted,
    // and how many it takes now.
    virtual std::size_t bufferFrames() const = 0;
    virtual std::size_t writableFrames() const = 0;
    // Queues `frames` in place of the last `replacing` frames written (none: after them).
    // False when the stream can take nothing.
    virtual bool write(std::span<const StereoFrame> frames, std::size_t replacing) = 0;
    // Asks the server where it has got to, waiting for the answer up to `timeout`; nothing
    // when it did not answer in time.
    virtual std::optional<Position> position(std::chrono::milliseconds timeout) = 0;
};

// The sound server as a playback thread reaches it: it connects streams, and runs the
// thread's waits for the server's messages to them. Used by one thread.
class SoundServer
{
public:
    virtual ~SoundServer() = default;

    // Starts connecting a stream (the stream reports how it goes); nothing, with libpulse's
    // error code in `error`, when not even that can be started.
    virtual std::unique_ptr<ServerStream> connect(const StreamRequest& request, int& error) = 0;
    // Waits until a connected stream has news, the wake descriptor given at construction
    // becomes readable, or `timeout` passes (none: waits for one of the others), and handles
    // what came. It does not clear the wake descriptor.
    virtual void run(std::optional<std::chrono::microseconds> timeout) = 0;
};

} // namespace tone
