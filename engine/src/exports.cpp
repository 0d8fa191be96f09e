// The exported functions over the one engine of the process.

#include "xldl_engine.h"

#include <memory>
#include <mutex>

#include "engine.h"

namespace {

std::mutex engineMutex;
std::unique_ptr<xldl::Engine> theEngine;
xldl::EngineLimits limits;

// The engine, brought up by XL_Init or by the first call that needs it.
xldl::Engine& engine() {
    std::lock_guard lock(engineMutex);
    if (!theEngine) theEngine = std::make_unique<xldl::Engine>(limits);
    return *theEngine;
}

}  // namespace

extern "C" {

int XL_Init(void) {
    engine();
    return 1;
}

int XL_UnInit(void) {
    std::unique_ptr<xldl::Engine> ending;
    {
        std::lock_guard lock(engineMutex);
        ending = std::move(theEngine);
    }
    return 1;
}

uint32_t XL_CreateTask(const void* taskParam) {
    if (!taskParam) return 0;
    return engine().create(xldl::readTaskParams(static_cast<const unsigned char*>(taskParam)));
}

int XL_StartTask(uint32_t task) { return engine().start(task) ? 1 : 0; }

int XL_StopTask(uint32_t task) { return engine().stop(task) ? 1 : 0; }

int XL_DeleteTask(uint32_t task) { return engine().remove(task) ? 1 : 0; }

int XL_QueryTaskInfoEx(uint32_t task, void* taskInfo) {
    if (!taskInfo) return 0;
    std::optional<xldl::TaskReport> report = engine().query(task);
    if (!report) return 0;
    xldl::writeTaskInfo(*report, static_cast<unsigned char*>(taskInfo));
    return 1;
}

void xldl_set_limits(const xldl_limits* wanted) {
    std::lock_guard lock(engineMutex);
    if (!wanted) {
        limits = xldl::EngineLimits();
        return;
    }
    if (wanted->connections_per_task > 0) limits.connectionsPerTask = wanted->connections_per_task;
    if (wanted->connections_total > 0) limits.connectionsTotal = wanted->connections_total;
    if (wanted->min_segment_bytes > 0) limits.minSegmentBytes = wanted->min_segment_bytes;
    if (wanted->max_attempts > 0) limits.maxAttempts = wanted->max_attempts;
    if (wanted->first_retry_delay_ms > 0) limits.firstRetryDelay = std::chrono::milliseconds(wanted->first_retry_delay_ms);
    if (wanted->stall_seconds > 0) limits.stallSeconds = wanted->stall_seconds;
}

}  // extern "C"
