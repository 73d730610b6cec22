#pragma once

#include "PcmDevice.h"
#include "PlaybackRequests.h"
#include "WaveImage.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace tone {

// Owns the thread that loops a WAVE image's data chunk into a PCM device (PlaybackLoop).
//
// Thread contract. One other thread, the owner's, makes the requests, one at a time:
// - play hands the image over under a short lock that the playback thread holds only while
//   it converts one period from the image (microseconds) or measures a new image for its
//   ramps (well under a millisecond), and raises a wake signal that
//   ends any wait for the device. Once play has returned, the image it replaced is never
//   read again. Every device call happens on the playback thread, so play never waits for
//   the device or the sound server.
// - setPackedVolume and packedVolume touch one atomic value, read once a period.
// - The destructor asks the thread to stop, which fades the tone out and closes the device
//   (within about 100 ms), and waits for it at most kJoinTimeout. A thread
//   that has not finished by then is stuck in a device call (a stopped sound server makes
//   ALSA's PulseAudio bridge wait without a timeout); it is left to finish on its own. It
//   reads only what it holds itself, the shared PlaybackRequests included, never the last
//   image (the destructor withdraws it first), logs nothing more, and closes its device
//   if the call ever returns.
class AlsaPlaybackThread
{
public:
    // How long the destructor waits for the thread before leaving it behind.
    static constexpr std::chrono::milliseconds kJoinTimeout{300};

    // Plays through ALSA's PCM `deviceName`.
    explicit AlsaPlaybackThread(const std::string& deviceName);
    // Plays through the devices that `open` gives; `deviceName` names them in log lines.
    AlsaPlaybackThread(std::string deviceName, PcmDeviceOpener open, PlaybackTiming timing);
    ~AlsaPlaybackThread();
    AlsaPlaybackThread(const AlsaPlaybackThread&) = delete;
    AlsaPlaybackThread& operator=(const AlsaPlaybackThread&) = delete;

    // Loops `image` from its first frame from now on, or stops when it is empty. The image's
    // data must stay alive and unchanged until the next call has returned.
    void play(std::optional<WaveImage> image);

    std::uint32_t packedVolume() const;
    // A change is heard once what is queued has played, in a ramp, except that silence
    // queued while the volume was 0 is thrown away as soon as it comes up, so that a tone
    // started muted sounds the moment it is unmuted.
    void setPackedVolume(std::uint32_t packedVolume);

private:
    const std::shared_ptr<PlaybackRequests> requests_;
    std::thread thread_;
};

} // namespace tone
