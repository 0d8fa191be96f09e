#include "engine_calls.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "task_records.h"
#include "utf16.h"
#include "xldl_engine.h"

namespace quarrow::testing {
namespace {

template <typename T>
T at(const std::vector<unsigned char>& record, std::size_t offset) {
    T value;
    std::memcpy(&value, &record[offset], sizeof value);
    return value;
}

}  // namespace

std::vector<unsigned char> taskParamRecord(const std::string& url, const std::string& folder,
                                           const std::string& name, bool disableAutoRename) {
    std::vector<unsigned char> record(xldl::kTaskParamSize);
    xldl::utf8ToUtf16(url, &record[4], 4168);
    xldl::utf8ToUtf16(name, &record[16532], 520);
    xldl::utf8ToUtf16(folder, &record[17572], 520);
    record[18360] = 5;                           // nReserved1
    record[18364] = disableAutoRename ? 1 : 0;  // DisableAutoRename
    record[18368] = 1;                           // IsResume
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
    std::vector<unsigned char> record(xldl::kTaskInfoSize, 0xEE);
    TaskState state;
    if (!XL_QueryTaskInfoEx(task, record.data())) return state;
    state.stat = at<std::int32_t>(record, 0);
    state.failCode = at<std::int32_t>(record, 4);
    state.fileName = xldl::utf16ToUtf8(&record[8], 520);
    state.total = at<std::int64_t>(record, 1048);
    state.downloaded = at<std::int64_t>(record, 1056);
    state.percent = at<float>(record, 1064);
    state.speed = at<std::int32_t>(record, 1152);
    return state;
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
