#pragma once

#include <chrono>
#include <cstdint>

namespace xldl {

// How hard the engine works and how long it keeps trying.
struct EngineLimits {
    int connectionsPerTask = 8;
    int connectionsTotal = 16;
    // A file is split only into pieces of at least this size.
    std::int64_t minSegmentBytes = 1 << 20;
    // Failed attempts in a row (no byte arriving in between) before a task fails.
    int maxAttempts = 10;
    // The wait after the k-th failure in a row: firstRetryDelay * 2^(k-1), at most maxRetryDelay.
    std::chrono::milliseconds firstRetryDelay{1000};
    std::chrono::milliseconds maxRetryDelay{10000};
    long connectTimeoutSeconds = 30;
    // A connection moving less than 1 byte per second for this long is dropped and retried.
    long stallSeconds = 30;
    std::chrono::milliseconds checkpointInterval{1000};
};

}  // namespace xldl
