#pragma once

// The engine's tasks by handle. Transfers are not run yet: a started task
// stays in its start-pending state.

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>

#include "task_records.h"

namespace xldl {

enum class TaskStatus : std::int32_t {
    unknown = 0,
    failed = 1,
    stopped = 2,
    downloading = 3,
    complete = 4,
    startPending = 5,
    stopPending = 6,
};

class TaskTable {
public:
    // A new stopped task; its handle is never 0 and never reused.
    std::uint32_t create(TaskParams params);
    bool start(std::uint32_t handle);
    bool stop(std::uint32_t handle);
    bool remove(std::uint32_t handle);
    std::optional<TaskReport> query(std::uint32_t handle) const;
    void clear();

private:
    struct Task {
        TaskParams params;
        TaskStatus status = TaskStatus::stopped;
    };

    mutable std::mutex mutex_;
    std::map<std::uint32_t, Task> tasks_;
    std::uint32_t nextHandle_ = 1;
};

}  // namespace xldl
