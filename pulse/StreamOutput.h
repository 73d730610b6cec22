#pragma once

#include "SoundServer.h"
#include "playback/PlaybackOutput.h"
#include "playback/PlaybackThread.h"

#include <functional>
#include <memory>

namespace tone {

// A sound server's stream as the playback loop's output. The server keeps a long buffer of
// the stream queued and asks for more only every kRequest, so that a tone that loops
// unchanged costs the thread a few wake-ups a second; a change replaces what is queued from
// kReplaceMargin past the frame the server is reading (the server's position, asked for
// afresh), so that it is heard after that margin and the sink's own latency, however long
// the buffer. The frames written there continue what the server holds exactly, so that a
// fade-out replaces the tone without a click.
class StreamOutput final : public PlaybackOutput
{
public:
    // What the server is asked for: it keeps kTargetLength queued, asks for frames once
    // kRequest has played, and sets its sink's own latency to what is left over (the
    // server's classic buffer model, without PA_STREAM_ADJUST_LATENCY): 5 ms, the sink
    // latency of the 30 ms stream this one replaced. How far past the server's reading a
    // change starts. Chosen by bench/playback-pulse.sh at PulseAudio 16.1 and PipeWire
    // 0.3.65 null sinks (bench/buffer-options.md).
    static constexpr std::chrono::microseconds kRequest{250'000};
    static constexpr std::chrono::microseconds kTargetLength{2 * kRequest +
                                                             std::chrono::microseconds(5'000)};
    static constexpr std::chrono::microseconds kReplaceMargin{30'000};

    StreamOutput(std::unique_ptr<ServerStream> stream, SoundServer& server, unsigned sampleRate);

    Status status() const override;
    std::string failure() const override;
    unsigned sampleRate() const override { return sampleRate_; }

    std::size_t wanted() override;
    void write(std::span<const StereoFrame> frames) override;
    bool hasPlayed() const override;
    std::size_t stillToBeHeard() override;

    std::size_t longestReplace() const override;
    std::size_t replaceable() override;
    void replace(std::size_t frames) override;

    void wait(WakeSignal& wake, std::optional<Clock::time_point> until) override;

private:
    // The frame the server is reading now, by its position asked for afresh.
    std::optional<std::int64_t> readingNow();
    std::size_t frames(std::chrono::microseconds time) const;

    const std::unique_ptr<ServerStream> stream_;
    SoundServer& server_;
    const unsigned sampleRate_;
    // The frame after the last one written, and where the next write goes when it replaces
    // frames written before.
    std::int64_t written_ = 0;
    std::optional<std::int64_t> replaceFrom_;
    // Whether it has been ready: a failure after that is a lost connection.
    mutable bool wasReady_ = false;
};

// Opens StreamOutputs on `server`, which must outlive them.
OutputOpener StreamOutputs(SoundServer& server);

// Makes the sound server that a playback thread plays through; the server's waits end when
// `wakeDescriptor` becomes readable.
using SoundServerMaker = std::function<std::unique_ptr<SoundServer>(int wakeDescriptor)>;

// What a PlaybackThread runs to play through the sound servers that `makeServer` makes.
PlaybackThread::Loop PulseLoop(SoundServerMaker makeServer);

} // namespace tone
