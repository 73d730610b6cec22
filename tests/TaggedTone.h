#pragma once

#include "FileSinkOutput.h" // Frame
#include "WaveImageSupport.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <vector>

// Images for the playback thread's tests whose frames tell where they come from, so that
// what a scripted output took can be checked frame by frame.
namespace {

constexpr unsigned kTaggedRate = 22050;

// A 16-bit stereo image at 22050 Hz: the left sample is the frame's position in the loop,
// the right one the image's tag.
Bytes TaggedImage(std::int16_t tag, std::size_t frames)
{
    Bytes data;
    for (std::size_t i = 0; i < frames; ++i) {
        Append16(data, static_cast<std::uint16_t>(i));
        Append16(data, static_cast<std::uint16_t>(tag));
    }
    return Riff({Chunk("fmt ", PcmFormat(2, kTaggedRate, 16)), Chunk("data", data)});
}

// Tags below the loop's own largest step (its seam, from 999 to 0), so that frame 0 counts
// as the middle level and a tone starts without a fade-in.
constexpr std::int16_t kToneA = 111;
constexpr std::int16_t kToneB = 222;
constexpr std::size_t kLoopLength = 1000;

// Whether `frames` are the loop of the image tagged `tag`, without a frame lost or repeated,
// starting at its frame `from`.
testing::AssertionResult IsLoop(const std::vector<Frame>& frames, std::int16_t tag,
                                std::size_t from = 0)
{
    for (std::size_t k = 0; k < frames.size(); ++k) {
        const Frame expected{static_cast<std::int16_t>((from + k) % kLoopLength), tag};
        if (frames[k] != expected)
            return testing::AssertionFailure()
                   << "frame " << k << " is " << frames[k] << ", not " << expected;
    }
    return testing::AssertionSuccess();
}

} // namespace
