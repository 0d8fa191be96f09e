#include "task_table.h"

namespace xldl {

std::uint32_t TaskTable::create(TaskParams params) {
    std::lock_guard lock(mutex_);
    std::uint32_t handle = nextHandle_++;
    tasks_[handle] = Task{std::move(params), TaskStatus::stopped};
    return handle;
}

bool TaskTable::start(std::uint32_t handle) {
    std::lock_guard lock(mutex_);
    auto found = tasks_.find(handle);
    if (found == tasks_.end()) return false;
    if (found->second.status != TaskStatus::complete) found->second.status = TaskStatus::startPending;
    return true;
}

bool TaskTable::stop(std::uint32_t handle) {
    std::lock_guard lock(mutex_);
    auto found = tasks_.find(handle);
    if (found == tasks_.end()) return false;
    if (found->second.status != TaskStatus::complete && found->second.status != TaskStatus::failed)
        found->second.status = TaskStatus::stopped;
    return true;
}

bool TaskTable::remove(std::uint32_t handle) {
    std::lock_guard lock(mutex_);
    return tasks_.erase(handle) != 0;
}

std::optional<TaskReport> TaskTable::query(std::uint32_t handle) const {
    std::lock_guard lock(mutex_);
    auto found = tasks_.find(handle);
    if (found == tasks_.end()) return std::nullopt;
    TaskReport report;
    report.status = static_cast<std::int32_t>(found->second.status);
    report.fileName = found->second.params.fileName;
    return report;
}

void TaskTable::clear() {
    std::lock_guard lock(mutex_);
    tasks_.clear();
}

}  // namespace xldl
