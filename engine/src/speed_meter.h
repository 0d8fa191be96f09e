#pragma once

#include <chrono>
#include <cstdint>
#include <deque>

namespace xldl {

// Bytes per second over a short sliding window of samples of a running total.
class SpeedMeter {
public:
    using Clock = std::chrono::steady_clock;

    void sample(Clock::time_point now, std::int64_t total);
    void reset() { samples_.clear(); }
    std::int32_t bytesPerSecond() const;

private:
    static constexpr std::chrono::milliseconds kWindow{2000};
    std::deque<std::pair<Clock::time_point, std::int64_t>> samples_;
};

}  // namespace xldl
