#pragma once

#include "PlaybackRequests.h"
#include "WaveImage.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace tone {

// Owns a thread that loops a WAVE image's data chunk into a sound output, ALSA's PCM or a
// sound server's stream, as the Loop it is given does (PlaybackLoop): following
// PlaybackRequests and shaping the tone with a ToneShaper.
//
// Thread contract. One other thread, the owner's, makes the requests, one at a time:
// - play hands the image over under a short lock that the playback thread holds only while
//   it makes what its output asks for from the image (a period of ALSA's PCM in about 4 us,
//   a stream's quarter second in about 35 us, half a second after a change in twice that:
//   MakeFrames in tone_bench) or measures a new image for its ramps (well under a
//   millisecond), and raises a wake signal that ends any wait for the output. Once play has
//   returned, the image it replaced is never read again. Every call on the output happens on
//   the playback thread, so play never waits for the output or the sound server.
// - setPackedVolume and packedVolume touch atomic values; setPackedVolume raises the wake
//   signal too, so that an output that can replace what it holds does so at the new level.
// - The destructor asks the thread to stop, which fades the tone out and closes the output
//   (bench/playback-pulse.sh heard the stop complete within 50 ms through the stream and
//   110 ms through ALSA), and waits for it at most kJoinTimeout. A thread that has not
//   finished by then is stuck in a call on the output (a stopped sound server makes ALSA's
//   PulseAudio bridge wait without a timeout); it is left to finish on its own. It reads
//   only what it holds itself, the shared PlaybackRequests included, never the last image
//   (the destructor withdraws it first), logs nothing more, and closes its output if the
//   call ever returns.
class PlaybackThread
{
public:
    // How long the destructor waits for the thread before leaving it behind.
    static constexpr std::chrono::milliseconds kJoinTimeout{300};

    // Runs `loop` on the requests until they are stopped; `outputName` names the output in
    // log lines.
    using Loop = std::function<void(std::shared_ptr<PlaybackRequests>)>;
    PlaybackThread(std::string outputName, PlaybackTiming timing, Loop loop);
    ~PlaybackThread();
    PlaybackThread(const PlaybackThread&) = delete;
    PlaybackThread& operator=(const PlaybackThread&) = delete;

    // Loops `image` from its first frame from now on, or stops when it is empty. The image's
    // data must stay alive and unchanged until the next call has returned.
    void play(std::optional<WaveImage> image);

    std::uint32_t packedVolume() const;
    // A change is heard after what the output holds, in a ramp; a volume that comes up
    // from 0 only once it has stood for PlaybackTiming::unmuteSettle.
    void setPackedVolume(std::uint32_t packedVolume);

private:
    const std::shared_ptr<PlaybackRequests> requests_;
    std::thread thread_;
};

} // namespace tone
