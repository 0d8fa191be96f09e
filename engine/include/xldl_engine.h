#ifndef QUARROW_XLDL_ENGINE_H
#define QUARROW_XLDL_ENGINE_H

/*
 * The download engine's C interface.
 *
 * Records: XL_CreateTask reads a 26564-byte task-parameter record and
 * XL_QueryTaskInfoEx fills a 1429-byte task-information record; both are
 * packed little-endian, their texts UTF-16LE ended by a zero unit. A text
 * that fills its member without a zero unit makes the task fail (fail_code 1)
 * rather than fetch a cut URL or save under a cut name.
 *
 * Handles: a task handle is a number above 0, never reused while the library
 * is loaded; 0 means no task. A deleted or unknown handle is not answered.
 *
 * Status values (the record's stat):
 *   1 failed (final)    2 stopped          3 downloading
 *   4 complete (final)  5 start pending (waiting for a connection)
 *   6 stop pending
 *
 * fail_code, when stat is 1:
 *   1 unusable parameters: no folder, no URL, a scheme other than http or
 *     https, or a text too long for its member
 *   2 the data file cannot be created
 *   3 the data file cannot be written (a full disk, say)
 *   4 the network failed too often in a row (10 tries, about a minute)
 *   5 the finished file cannot be put in place
 *   400-499 the server refused the file with that status (408 and 429,
 *     which ask to come back later, are retried instead)
 *
 * Work files: while a task saving as N in folder D is unfinished, D holds
 * N.td (the data, written at its offsets) and N.td.cfg (the progress). The
 * progress file is replaced atomically at least once a second and at every
 * stop, and claims only bytes already flushed to N.td. On completion N.td
 * becomes N (replacing an existing N when DisableAutoRename is set, else
 * taking the first free name "stem(k).ext", reported in szFilename) and
 * N.td.cfg goes. A stopped task holds no open file. N is the record's name
 * made harmless: separators and control characters become "_", a name of
 * dots only is replaced, and an over-long name is cut.
 *
 * Resume: a task whose N.td and N.td.cfg exist for a file of the size the
 * server announces continues from the saved progress, whatever its URL. A
 * different size starts the file again from zero.
 *
 * Transfers: HTTP and HTTPS (the peer verified against the system's trust
 * store, or the bundle named by CURL_CA_BUNDLE), redirects followed, the
 * record's cookies and referrer sent. When the server announces the size and
 * serves ranges the file is split over several connections (8 per task and 16
 * in all by default); a connection that runs out of work takes over half of
 * the largest remaining segment. Otherwise one connection fetches the file
 * from its first byte. Dropped connections, time-outs and 5xx replies are
 * retried with a growing pause while the task stays live; so are restarts
 * from zero (a changed size, ignored ranges), which count as failed rounds.
 * Two tasks whose work files would be the same never run at once: the later
 * one waits (start pending) until the other lets go of them.
 *
 * Every function returns at once; transfers run on the engine's own thread.
 * XL_StopTask returns once the task has let go of its files.
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
/* Stops every task (saving its progress) and forgets it; nonzero on success. */
XLDL_EXPORT int XL_UnInit(void);
/* A new stopped task from the task-parameter record; 0 without a record. */
XLDL_EXPORT uint32_t XL_CreateTask(const void* taskParam);
/* Start (or continue), stop and forget a task; nonzero when the handle is known. */
XLDL_EXPORT int XL_StartTask(uint32_t task);
XLDL_EXPORT int XL_StopTask(uint32_t task);
XLDL_EXPORT int XL_DeleteTask(uint32_t task);
/* Fills the task-information record; nonzero when the handle is known (the
 * record is left untouched otherwise). */
XLDL_EXPORT int XL_QueryTaskInfoEx(uint32_t task, void* taskInfo);

/* Limits for the engine brought up next; a value of 0 keeps the default. */
typedef struct xldl_limits {
    int connections_per_task;
    int connections_total;
    int64_t min_segment_bytes;
    int max_attempts;
    int first_retry_delay_ms;
    int stall_seconds;
} xldl_limits;

/* Null restores the defaults. Takes effect at the next XL_Init. */
XLDL_EXPORT void xldl_set_limits(const xldl_limits* limits);

#ifdef __cplusplus
}
#endif

#endif
