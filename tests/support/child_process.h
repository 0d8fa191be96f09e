#pragma once

#include <sys/types.h>

#include <chrono>

namespace quarrow::testing {

// Waits up to patience for a child process that was asked to end, then
// kills it; either way the child is reaped.
void awaitChild(pid_t pid, std::chrono::milliseconds patience);

}  // namespace quarrow::testing
