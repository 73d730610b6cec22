#pragma once

#include "GainRamp.h"
#include "LoopRenderer.h"
#include "StereoGain.h"
#include "WaveImage.h"

#include <chrono>
#include <cstddef>
#include <optional>
#include <span>
#include <vector>

namespace tone {

// Turns the looping tone into output frames, a block at a time, as a playback thread asks
// for them whenever its output has room: the image's frames from where the loop has got to,
// scaled by a level that follows the volume in a ramp (GainRamp), so that no change clicks.
// It has no output and no thread. It reads the caller's image in play() and render() only,
// which the playback thread therefore calls with its requests lock held, and it never reads
// an image again once play() has replaced it. It is a value: a copy (ShaperHistory) holds
// all it needs to go on from where the original stood, without reading a replaced image.
//
// What it holds between blocks:
// - the image (none: silence), the frame of it that comes next, and how fast the level may
//   move for that image (RampShape);
// - the level reached at the end of the last block;
// - the frames that would follow the last block at full level, read ahead with every block:
//   a tone that is replaced or stopped fades out from these;
// - what is left of such a fade-out, which goes out before anything else;
// - how many frames it has made since the output was last empty, and how many silent ones
//   are at their end, so that the thread can tell when all its output holds is silence.
//
// How the tone comes and goes:
// - A replaced or stopped tone fades out after the last frame made (at once when it is
//   silent already), and the new image follows from its first frame.
// - Whenever the level comes up from silence (a new tone, unmuting, an output opened again),
//   an image whose first frame is at the middle level starts over at that frame, at once at
//   its level, as a tone that starts at an upward zero crossing does; any other image fades
//   in from where it is.
// - The first `leadIn` of an empty output is silent: a sound server that starts a stream
//   may begin playing it a few frames in, and those frames must not be the tone's.
class ToneShaper
{
public:
    explicit ToneShaper(std::chrono::milliseconds leadIn) : leadIn_(leadIn) {}

    // Plays `image` from its first frame from the next block on; none plays silence.
    void play(const std::optional<WaveImage>& image);
    // The output has been opened afresh and holds nothing: a fade-out still to come is lost
    // with the old output, and the level starts from silence.
    void outputEmptied();

    // Fills `out` with the fade-out still to come, then the image at a level that moves
    // towards `target`.
    void render(std::span<StereoFrame> out, StereoGain target);
    // Fills `out` with the fade-out still to come, then silence, leaving the image where it
    // is: what goes into an output that is to be closed.
    void renderFadeOut(std::span<StereoFrame> out);

    const std::optional<WaveImage>& image() const { return image_; }
    // Whether the last `frames` frames made since the output was emptied (all of them, when
    // there are fewer) are silent, and how many of the last frames made are.
    bool endsInSilence(std::size_t frames) const;
    std::size_t trailingSilence() const { return trailingSilence_; }

private:
    std::size_t leadInFrames() const;
    // While the level is up, turns the frames read ahead into a fade from it to silence and
    // drops the level to silence.
    void startFadeOut();
    // Copies what is left of the fade-out into the start of `out`; returns how many frames.
    std::size_t takeFadeOut(std::span<StereoFrame> out);
    void renderImage(std::span<StereoFrame> out, StereoGain target);
    void countSilence(std::span<const StereoFrame> out);

    std::chrono::milliseconds leadIn_;
    std::optional<WaveImage> image_;
    std::size_t position_ = 0;
    RampShape shape_;
    GainRamp ramp_;
    // At full level: the last block's frames followed by fullRampFrames() more (read ahead).
    std::vector<StereoFrame> unity_;
    std::size_t readAhead_ = 0; // where the frames read ahead start in unity_
    std::vector<StereoFrame> fadeOut_;
    std::size_t fadeOutTaken_ = 0;
    std::size_t madeSinceEmptied_ = 0;
    std::size_t trailingSilence_ = 0;
};

} // namespace tone
