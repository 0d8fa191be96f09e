#include "segment_plan.h"

namespace xldl {

void SegmentPlan::reset(std::int64_t size) {
    size_ = size;
    segments_.clear();
    segments_.push_back(Segment{0, 0, size, false});
}

void SegmentPlan::restore(std::int64_t size, const std::vector<Segment>& segments) {
    size_ = size;
    segments_.assign(segments.begin(), segments.end());
    for (Segment& segment : segments_) segment.busy = false;
}

std::int64_t SegmentPlan::completed() const {
    std::int64_t total = 0;
    for (const Segment& segment : segments_) total += segment.done - segment.begin;
    return total;
}

Segment* SegmentPlan::idle() {
    for (Segment& segment : segments_)
        if (!segment.busy && segment.remaining() > 0) return &segment;
    return nullptr;
}

Segment* SegmentPlan::split(std::int64_t minPiece) {
    Segment* largest = nullptr;
    for (Segment& segment : segments_)
        if (!largest || segment.remaining() > largest->remaining()) largest = &segment;
    if (!largest || largest->remaining() < 2 * minPiece) return nullptr;
    std::int64_t middle = largest->done + largest->remaining() / 2;
    Segment second{middle, middle, largest->end, false};
    largest->end = middle;
    segments_.push_back(second);
    return &segments_.back();
}

void SegmentPlan::divide(Segment& first, int n) {
    std::int64_t length = first.remaining();
    if (n <= 1 || length < n) return;
    std::int64_t oldEnd = first.end;
    std::int64_t piece = length / n;
    first.end = first.done + piece;
    for (int k = 1; k < n; ++k) {
        std::int64_t begin = first.done + piece * k;
        std::int64_t end = k == n - 1 ? oldEnd : begin + piece;
        segments_.push_back(Segment{begin, begin, end, false});
    }
}

}  // namespace xldl
