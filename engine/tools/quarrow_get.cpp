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
#include <thread>
#include <vector>

#include "task_records.h"
#include "xldl_engine.h"

namespace {

volatile std::sig_atomic_t interrupted = 0;

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
    xldl::TaskParams params;
    params.url = argv[first];
    params.saveFolder = argv[first + 1];
    params.fileName = argv[first + 2];
    params.disableAutoRename = true;
    std::vector<unsigned char> record(xldl::kTaskParamSize);
    xldl::writeTaskParams(params, record.data());
    uint32_t task = XL_CreateTask(record.data());
    XL_StartTask(task);

    std::vector<unsigned char> info(xldl::kTaskInfoSize);
    xldl::TaskReport report;
    for (int ticks = 1; !interrupted; ++ticks) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!XL_QueryTaskInfoEx(task, info.data())) continue;
        report = xldl::readTaskInfo(info.data());
        bool finalStatus = report.status == 1 || report.status == 4;
        if (ticks % 100 == 0 || finalStatus) {
            std::printf("stat %d  %lld / %lld bytes  %.1f%%  %.2f MiB/s\n", report.status,
                        static_cast<long long>(report.downloaded), static_cast<long long>(report.totalSize),
                        report.percent * 100.0, report.speed / 1048576.0);
            std::fflush(stdout);
        }
        if (finalStatus) break;
    }
    if (interrupted) XL_StopTask(task);
    if (report.status == 1) std::fprintf(stderr, "failed, fail_code %d\n", report.failCode);
    if (report.status == 4) std::printf("saved as %s\n", report.fileName.c_str());
    XL_DeleteTask(task);
    XL_UnInit();
    return interrupted ? 130 : report.status == 4 ? 0 : 1;
}
