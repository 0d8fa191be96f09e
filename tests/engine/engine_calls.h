#pragma once

// Calling the engine as the program does: through its exported functions
// and its binary records.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace quarrow::testing {

// A task-parameter record as the download command fills it.
std::vector<unsigned char> taskParamRecord(const std::string& url, const std::string& folder,
                                           const std::string& name, bool disableAutoRename = true);

// Creates and starts a task.
std::uint32_t startEngineTask(const std::string& url, const std::string& folder, const std::string& name,
                              bool disableAutoRename = true);

// What a query of the task-information record says.
struct TaskState {
    std::int32_t stat = -1;  // -1: the engine did not answer
    std::int32_t failCode = 0;
    std::string fileName;
    std::int64_t total = 0;
    std::int64_t downloaded = 0;
    float percent = 0;
    std::int32_t speed = 0;
};

TaskState queryTask(std::uint32_t task);

// Waits until the task reaches a final status (1 or 4); a failure when it does not in time.
TaskState waitForEnd(std::uint32_t task, std::chrono::seconds limit = std::chrono::seconds(60));

// Waits until at least bytes of the task are down.
void waitForBytes(std::uint32_t task, std::int64_t bytes, std::chrono::seconds limit = std::chrono::seconds(30));

}  // namespace quarrow::testing
