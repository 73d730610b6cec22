#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>

namespace tone {

// The platform's sound output as the tone engine sees it: looped playback of a RIFF/WAVE
// image held in memory, stop, the output volume and a blocking pause.
//
// Thread contract. The engine calls every operation on the user-interface thread, one at a
// time. playLooped, stop, volume and setVolume return at once (no more than a short lock);
// only pause blocks, for the time it is given. An implementation plays on a thread of its
// own and may read the image in place: the caller keeps an image's memory alive and
// unchanged from the playLooped call that hands it over until a later playLooped or stop
// call has returned. Once such a later call has returned, the earlier image is no longer
// read. The engine examines no result: a request that fails, or a missing output device,
// must leave the service quietly doing nothing.
//
// Volumes are packed: the left channel's level in bits 0 to 15, the right channel's in bits
// 16 to 31, each from 0 (silent) to 65535 (full). They are the level of this program's own
// output, not the desktop's master volume.
class SoundService
{
public:
    virtual ~SoundService() = default;

    // Plays the image over and over, the end of its sample data joined to its start,
    // replacing whatever plays. The image's extent is taken from the sizes in its RIFF
    // header, which must lie within `image`; an image that is malformed, inconsistent or in
    // a format the service cannot play is refused, and nothing plays after the call.
    virtual void playLooped(std::span<const std::uint8_t> image) = 0;

    // Stops whatever this program plays; does nothing when nothing plays.
    virtual void stop() = 0;

    // The output's current packed volume, or nothing when it cannot be read.
    virtual std::optional<std::uint32_t> volume() const = 0;

    // Sets both channel levels at once. Whatever sounds follows within the output's latency
    // (tens of milliseconds), in a ramp short enough not to be heard as one.
    virtual void setVolume(std::uint32_t packedVolume) = 0;

    // Blocks the calling thread for the given time.
    virtual void pause(std::chrono::milliseconds duration) = 0;
};

} // namespace tone
