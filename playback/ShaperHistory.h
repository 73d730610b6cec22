#pragma once

#include "ToneShaper.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace tone {

// Copies of the ToneShaper as it stood at points of what it made for one output, so that an
// output that can replace frames it holds (a sound server's stream) can have them made again
// from such a point, as if a change that came later had come there: the fade of a tone that
// is replaced then continues the frames made before the point exactly. A copy holds the
// frames a fade-out would need (the shaper reads ahead), so going back never reads the
// image of a request taken back since: the copy says which request it followed, and the
// loop takes up the newest one after it.
class ShaperHistory
{
public:
    struct Point
    {
        std::size_t frame = 0; // frames made for the output before this point
        std::uint64_t generation = 0;
        ToneShaper shaper{{}};
    };

    // Keeps points within the last `frames` made; none for an output that never replaces.
    void keep(std::size_t frames) { keep_ = frames; }
    // Forgets every point: the output is new.
    void clear();

    // Records the shaper before it makes the frames from the current end on.
    void record(const ToneShaper& shaper, std::uint64_t generation);
    void advance(std::size_t frames) { end_ += frames; }
    std::size_t end() const { return end_; }

    // The earliest point within the last `frames` made, or nothing. Every point is
    // forgotten: from there on the frames are made again.
    const Point* takeBack(std::size_t frames);

private:
    std::size_t keep_ = 0;
    std::size_t end_ = 0;
    std::deque<Point> points_;
    // Points no longer needed, kept so that recording reuses their buffers.
    std::vector<Point> spare_;
    Point taken_;
};

} // namespace tone
