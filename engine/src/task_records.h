#pragma once

// The two binary records of the engine's interface: the task-parameter record
// it reads and the task-information record it fills.

#include <cstddef>
#include <cstdint>
#include <string>

namespace xldl {

constexpr std::size_t kTaskParamSize = 26564;
constexpr std::size_t kTaskInfoSize = 1429;

// What a task-parameter record asks for; texts in UTF-8.
struct TaskParams {
    std::string url;
    std::string referrer;
    std::string cookies;
    std::string fileName;
    std::string saveFolder;
    bool onlyOriginal = false;
    bool disableAutoRename = false;
    bool resume = true;
    bool truncated = false;  // a text filled its member without a terminator
};

// What a task-information record reports.
struct TaskReport {
    std::int32_t status = 0;
    std::int32_t failCode = 0;
    std::string fileName;
    std::int64_t totalSize = 0;
    std::int64_t downloaded = 0;
    float percent = 0;
    std::int32_t speed = 0;
};

TaskParams readTaskParams(const unsigned char* record);
// Overwrites the whole record with the parameters, as the program fills it
// (texts that do not fit are cut, still ended by a zero unit).
void writeTaskParams(const TaskParams& params, unsigned char* record);

// Overwrites the whole record with the report.
void writeTaskInfo(const TaskReport& report, unsigned char* record);
TaskReport readTaskInfo(const unsigned char* record);

}  // namespace xldl
