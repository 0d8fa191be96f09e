#pragma once

// Which byte ranges of a file are done and which are being fetched. A segment
// [begin, end) has its bytes [begin, done) written; a connection works on at
// most one segment, and a connection that runs out of work takes over half of
// the largest remaining segment.

#include <cstdint>
#include <list>
#include <vector>

namespace xldl {

struct Segment {
    std::int64_t begin = 0;
    std::int64_t done = 0;
    std::int64_t end = 0;
    bool busy = false;  // a connection works on it

    std::int64_t remaining() const { return end - done; }
};

class SegmentPlan {
public:
    // One segment for the whole file.
    void reset(std::int64_t size);
    // Segments as saved; none may be busy.
    void restore(std::int64_t size, const std::vector<Segment>& segments);

    std::int64_t size() const { return size_; }
    std::int64_t completed() const;
    bool finished() const { return completed() == size_; }

    // An idle segment with bytes left, or null.
    Segment* idle();
    // Halves the largest remaining segment, handing out its second half as a
    // new idle segment; null when no segment has at least 2 * minPiece left.
    Segment* split(std::int64_t minPiece);
    // Divides what is left of a segment into n pieces; it keeps the first.
    void divide(Segment& first, int n);

    std::vector<Segment> snapshot() const { return {segments_.begin(), segments_.end()}; }
    std::list<Segment>& segments() { return segments_; }
    const std::list<Segment>& segments() const { return segments_; }

private:
    std::int64_t size_ = 0;
    std::list<Segment> segments_;
};

}  // namespace xldl
