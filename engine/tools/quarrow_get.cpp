// quarrow-get: downloads one URL with the engine, through its seven functions
// and its binary records, printing the progress once a second.
//
//   quarrow-get [-c CONNECTIONS] URL FOLDER NAME
//
// Exits with 0 once the file is complete, 1 when the task fails, 2 on bad
// usage, 130 when interrupted (the progress is saved for a later run).

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "task_records.h"
#include "utf16.h"
#include "xldl_engine.h"

namespace {

volatile std::sig_atomic_t interrupted = 0;

std::vector<unsigned char> parameterRecord(const std::string& url, const std::string& folder, const std::string& name) {
    std::vector<unsigned char> record(xldl::kTaskParamSize);
    xldl::utf8ToUtf16(url, &record[4], 4168);
    xldl::utf8ToUtf16(name, &record[16532], 520);
    xldl::utf8ToUtf16(folder, &record[17572], 520);
    record[18360] = 5;  // nReserved1
    record[18364] = 1;  // DisableAutoRename
    record[18368] = 1;  // IsResume
    return record;
}

template <typename T>
T at(const std::vector<unsigned char>& record, std::size_t offset) {
    T value;
    std::memcpy(&value, &record[offset], sizeof value);
    return value;
}

}  // namespace

int main(int argc, char** argv) {
    int connections = 0;
    int first = 1;
    if (argc > 2 && std::strcmp(argv[1], "-c") == 0) {
        connections = std::atoi(argv[2]);
        first = 3;
    }
    if (argc - first != 3) {
        std::fprintf(stderr, "usage: quarrow-get [-c CONNECTIONS] URL FOLDER NAME\n");
        return 2;
    }
    if (connections > 0) {
        xldl_limits limits{};
        limits.connections_per_task = connections;
        limits.connections_total = connections;
        xldl_set_limits(&limits);
    }
    std::signal(SIGINT, [](int) { interrupted = 1; });
    std::signal(SIGTERM, [](int) { interrupted = 1; });

    XL_Init();
    auto record = parameterRecord(argv[first], argv[first + 1], argv[first + 2]);
    uint32_t task = XL_CreateTask(record.data());
    XL_StartTask(task);
    std::vector<unsigned char> info(xldl::kTaskInfoSize);
    int status = 0;
    while (!interrupted) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!XL_QueryTaskInfoEx(task, info.data())) continue;
        status = at<int32_t>(info, 0);
        static int ticks = 0;
        bool finalStatus = status == 1 || status == 4;
        if (++ticks % 100 == 0 || finalStatus)
            std::printf("stat %d  %lld / %lld bytes  %.1f%%  %.2f MiB/s\n", status,
                        static_cast<long long>(at<int64_t>(info, 1056)), static_cast<long long>(at<int64_t>(info, 1048)),
                        at<float>(info, 1064) * 100.0, at<int32_t>(info, 1152) / 1048576.0);
        std::fflush(stdout);
        if (finalStatus) break;
    }
    if (interrupted) XL_StopTask(task);
    std::string name = xldl::utf16ToUtf8(&info[8], 520);
    if (status == 1) std::fprintf(stderr, "failed, fail_code %d\n", at<int32_t>(info, 4));
    if (status == 4) std::printf("saved as %s\n", name.c_str());
    XL_DeleteTask(task);
    XL_UnInit();
    return interrupted ? 130 : status == 4 ? 0 : 1;
}
