// The seven exported functions over the engine's one task table.

#include "xldl_engine.h"

#include "task_records.h"
#include "task_table.h"

namespace {

xldl::TaskTable& tasks() {
    static xldl::TaskTable table;
    return table;
}

}  // namespace

extern "C" {

int XL_Init(void) { return 1; }

int XL_UnInit(void) {
    tasks().clear();
    return 1;
}

uint32_t XL_CreateTask(const void* taskParam) {
    if (!taskParam) return 0;
    return tasks().create(xldl::readTaskParams(static_cast<const unsigned char*>(taskParam)));
}

int XL_StartTask(uint32_t task) { return tasks().start(task) ? 1 : 0; }

int XL_StopTask(uint32_t task) { return tasks().stop(task) ? 1 : 0; }

int XL_DeleteTask(uint32_t task) { return tasks().remove(task) ? 1 : 0; }

int XL_QueryTaskInfoEx(uint32_t task, void* taskInfo) {
    if (!taskInfo) return 0;
    std::optional<xldl::TaskReport> report = tasks().query(task);
    if (!report) return 0;
    xldl::writeTaskInfo(*report, static_cast<unsigned char*>(taskInfo));
    return 1;
}

}  // extern "C"
