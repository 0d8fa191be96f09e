#include "speed_meter.h"

#include <limits>

namespace xldl {

void SpeedMeter::sample(Clock::time_point now, std::int64_t total) {
    samples_.emplace_back(now, total);
    while (samples_.size() > 2 && now - samples_[1].first >= kWindow) samples_.pop_front();
}

std::int32_t SpeedMeter::bytesPerSecond() const {
    if (samples_.size() < 2) return 0;
    auto elapsed = std::chrono::duration<double>(samples_.back().first - samples_.front().first).count();
    if (elapsed < 0.2) return 0;
    double speed = static_cast<double>(samples_.back().second - samples_.front().second) / elapsed;
    if (speed < 0) return 0;
    return speed > std::numeric_limits<std::int32_t>::max() ? std::numeric_limits<std::int32_t>::max()
                                                             : static_cast<std::int32_t>(speed);
}

}  // namespace xldl
