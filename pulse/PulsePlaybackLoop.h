#pragma once

#include "SoundServer.h"
#include "playback/PlaybackRequests.h"
#include "playback/PlaybackThread.h"
#include "playback/StreamIdentity.h"
#include "playback/ToneShaper.h"

#include <functional>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace tone {

// The work of the playback thread on a sound server's own protocol (PulseAudio's, which
// PipeWire serves too through pipewire-pulse), reached through a SoundServer: a stream with a
// short buffer that the server asks to fill, a few milliseconds at a time, with the tone that
// the requests ask for (shaped by a ToneShaper). Nothing written is ever thrown away, and the
// stream's whole latency is short, so that a mute and an unmute are heard after the same short
// time and the silence between them is the one the engine makes. The server's calls never
// block, so that a stopped server cannot hold the thread up.
//
// The thread is always in one of these phases:
// - Idle: no connection, nothing to play; waits for a request.
// - Connecting: something is to play; `stream_` for the image's rate is being set up, until
//   `deadline_` (the stall timeout).
// - Playing: the stream runs; each of the server's requests gets the shaper's frames.
//   `written_` counts what the stream has taken since it was connected.
// - WindingDown: the stream runs, but nothing is to play on it (a stop, an image at another
//   rate, or the owner going away): the server's requests get the fade-out and silence
//   until everything still to be heard is silence, and then the connection is closed, so
//   that closing cuts nothing off. The owner going away gives it until `deadline_`.
// - BackingOff: the server could not be reached or the connection failed and is closed;
//   the thread waits until `deadline_` (the pause doubling after every failure up to a
//   limit, reset only once a stream has taken more than its buffer again) or until a
//   request comes, and tries again. The failure is logged once an outage.
// - Finished: the owner has stopped the thread and the connection is closed.
// The requests are taken up, and the phase moved on, between the main loop's iterations
// (step); the server's requests for frames take up a new request first too, so that an
// image replaced is never read again.
class PulsePlaybackLoop
{
public:
    PulsePlaybackLoop(std::shared_ptr<PlaybackRequests> requests,
                      std::unique_ptr<SoundServer> server);
    ~PulsePlaybackLoop();
    PulsePlaybackLoop(const PulsePlaybackLoop&) = delete;
    PulsePlaybackLoop& operator=(const PulsePlaybackLoop&) = delete;

    // Returns once the owner has asked to stop and the connection is closed; then marks the
    // requests finished.
    void run();

private:
    enum class Phase { Idle, Connecting, Playing, WindingDown, BackingOff, Finished };
    using Clock = std::chrono::steady_clock;

    void step();
    void takeUpRequest();
    bool streamFits() const;
    void connect();
    void checkConnecting();
    void checkConnection();
    void closeConnection();
    void failed(const char* what, int error);
    // Fills what the server asks for.
    void write();
    // The frames written that are still to be heard.
    std::size_t framesStillQueued();
    // Microseconds until the deadline, for the main loop's poll; -1 for none.
    int pollTimeout() const;

    const std::shared_ptr<PlaybackRequests> requests_;
    const std::unique_ptr<SoundServer> server_;
    Phase phase_ = Phase::Idle;
    // The request taken up last, and whether the owner is going away (both as of then).
    std::uint64_t generation_ = 0;
    bool stopping_ = false;
    ToneShaper shaper_;

    std::unique_ptr<ServerStream> stream_;
    unsigned streamRate_ = 0;
    std::size_t bufferFrames_ = 0;
    std::size_t written_ = 0;
    std::vector<StereoFrame> output_;
    // Set by a request for frames once all that is still to be heard is silence.
    bool drained_ = false;
    std::optional<Clock::time_point> deadline_;

    std::uint64_t failedGeneration_ = 0;
    std::chrono::milliseconds retryDelay_;
    bool failureLogged_ = false;
};

// Makes the sound server that a playback thread plays through; the server's waits end when
// `wakeDescriptor` becomes readable.
using SoundServerMaker = std::function<std::unique_ptr<SoundServer>(int wakeDescriptor)>;

// What a PlaybackThread runs to play through the sound servers that `makeServer` makes.
PlaybackThread::Loop PulseLoop(SoundServerMaker makeServer);

} // namespace tone
