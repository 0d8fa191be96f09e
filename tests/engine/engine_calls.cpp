#include "engine_calls.h"

#include <gtest/gtest.h>

#include <thread>

#include "task_records.h"
#include "xldl_engine.h"

namespace quarrow::testing {

std::vector<unsigned char> taskParamRecord(const std::string& url, const std::string& folder,
                                           const std::string& name, bool disableAutoRename) {
    xldl::TaskParams params;
    params.url = url;
    params.saveFolder = folder;
    params.fileName = name;
    params.disableAutoRename = disableAutoRename;
    std::vector<unsigned char> record(xldl::kTaskParamSize);
    xldl::writeTaskParams(params, record.data());
    return record;
}

std::uint32_t startEngineTask(const std::string& url, const std::string& folder, const std::string& name,
                              bool disableAutoRename) {
    auto record = taskParamRecord(url, folder, name, disableAutoRename);
    std::uint32_t task = XL_CreateTask(record.data());
    XL_StartTask(task);
    return task;
}

TaskState queryTask(std::uint32_t task) {
    std::vector<unsigned char> record(xldl::kTaskInfoSize);
    if (!XL_QueryTaskInfoEx(task, record.data())) return {};
    xldl::TaskReport report = xldl::readTaskInfo(record.data());
    return {report.status, report.failCode, report.fileName, report.totalSize, report.downloaded, report.percent,
            report.speed};
}

TaskState waitForEnd(std::uint32_t task, std::chrono::seconds limit) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    TaskState state;
    while (std::chrono::steady_clock::now() < deadline) {
        state = queryTask(task);
        if (state.stat == 1 || state.stat == 4) return state;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ADD_FAILURE() << "task " << task << " did not end; stat " << state.stat;
    return state;
}

void waitForBytes(std::uint32_t task, std::int64_t bytes, std::chrono::seconds limit) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline && queryTask(task).downloaded < bytes)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

}  // namespace quarrow::testing
