#include "ShaperHistory.h"

namespace tone {

void ShaperHistory::clear()
{
    while (!points_.empty()) {
        spare_.push_back(std::move(points_.front()));
        points_.pop_front();
    }
    end_ = 0;
}

void ShaperHistory::record(const ToneShaper& shaper, std::uint64_t generation)
{
    if (keep_ == 0)
        return;
    while (!points_.empty() && points_.front().frame + keep_ < end_) {
        spare_.push_back(std::move(points_.front()));
        points_.pop_front();
    }
    if (spare_.empty()) {
        points_.push_back({end_, generation, shaper});
    } else {
        points_.push_back(std::move(spare_.back()));
        spare_.pop_back();
        Point& point = points_.back();
        point.frame = end_;
        point.generation = generation;
        point.shaper = shaper;
    }
}

const ShaperHistory::Point* ShaperHistory::takeBack(std::size_t frames)
{
    const std::size_t from = end_ - std::min(frames, end_);
    while (!points_.empty() && points_.front().frame < from) {
        spare_.push_back(std::move(points_.front()));
        points_.pop_front();
    }
    if (points_.empty())
        return nullptr;
    std::swap(taken_, points_.front());
    points_.pop_front();
    clear();
    end_ = taken_.frame;
    return &taken_;
}

} // namespace tone
