#ifndef QUARROW_XLDL_ENGINE_H
#define QUARROW_XLDL_ENGINE_H

/*
 * The download engine's C interface.
 *
 * Records: XL_CreateTask reads a 26564-byte task-parameter record and
 * XL_QueryTaskInfoEx fills a 1429-byte task-information record; both are
 * packed little-endian, their texts UTF-16LE ended by a zero unit.
 *
 * Handles: a task handle is a 32-bit number above 0, never reused while the
 * library is loaded; 0 means no task.
 *
 * Status values (the record's stat):
 *   0 unknown handle       1 failed (final)       2 stopped
 *   3 downloading          4 complete (final)     5 start pending
 *   6 stop pending
 * fail_code says why a task failed (0 while it has not).
 *
 * Every function returns at once; transfers run on the engine's own threads.
 */

#include <stdint.h>

#if defined(__GNUC__)
#define XLDL_EXPORT __attribute__((visibility("default")))
#else
#define XLDL_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Brings the engine up; nonzero on success. */
XLDL_EXPORT int XL_Init(void);
/* Stops every task and forgets it; nonzero on success. */
XLDL_EXPORT int XL_UnInit(void);
/* A new task in the stopped state, from the task-parameter record; 0 when the
 * record cannot be read. */
XLDL_EXPORT uint32_t XL_CreateTask(const void* taskParam);
/* Start, stop and forget a task; nonzero when the handle is known. */
XLDL_EXPORT int XL_StartTask(uint32_t task);
XLDL_EXPORT int XL_StopTask(uint32_t task);
XLDL_EXPORT int XL_DeleteTask(uint32_t task);
/* Fills the task-information record; nonzero when the handle is known (the
 * record is left untouched otherwise). */
XLDL_EXPORT int XL_QueryTaskInfoEx(uint32_t task, void* taskInfo);

#ifdef __cplusplus
}
#endif

#endif
