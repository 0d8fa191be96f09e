#pragma once

// One task's transfer, run on the engine's thread over its libcurl multi
// handle: the first connection learns the file's size and whether the server
// serves ranges; then the file is split into segments fetched over several
// connections at once, written at their offsets into the data file, with the
// progress saved beside it so that a later start continues where this one
// stopped.

#include <curl/curl.h>

#include <chrono>
#include <list>
#include <memory>
#include <string>
#include <utility>

#include "checkpointer.h"
#include "engine_limits.h"
#include "segment_plan.h"
#include "speed_meter.h"
#include "task_records.h"
#include "work_files.h"

namespace xldl {

enum class TaskStatus : std::int32_t {
    unknown = 0,
    failed = 1,
    stopped = 2,
    downloading = 3,
    complete = 4,
    startPending = 5,
    stopPending = 6,
};

// Why a task failed (the record's fail_code); 400-599 is the server's status.
enum FailCode : std::int32_t {
    kNoFailure = 0,
    kBadParameters = 1,
    kCannotCreateFile = 2,
    kWriteFailed = 3,
    kNetworkGaveUp = 4,
    kCannotFinish = 5,
};

class Download {
public:
    using Clock = std::chrono::steady_clock;

    Download(TaskParams params, const EngineLimits& limits, CURLM* multi, Checkpointer& checkpointer);
    ~Download();
    Download(const Download&) = delete;
    Download& operator=(const Download&) = delete;

    void start(Clock::time_point now);
    // Drops every connection, saves the progress and lets go of the files.
    void stop();

    TaskStatus status() const { return status_; }
    bool running() const { return status_ == TaskStatus::startPending || status_ == TaskStatus::downloading; }
    // The data file's path; two running tasks never share one.
    const std::string& dataFilePath() const { return dataPath_; }

    int connections() const { return static_cast<int>(transfers_.size()); }
    // Whether one more connection would have work now.
    bool wantsConnection(Clock::time_point now) const;
    void addConnection(Clock::time_point now);
    // Whether the task holds its work files open.
    bool holdsFiles() const { return data_.isOpen(); }
    // A connection of this task ended with the given result.
    void transferDone(CURL* easy, CURLcode result, Clock::time_point now);
    // Saves the progress when it is time, and samples the speed.
    void tick(Clock::time_point now);
    // Whether the size became known since the last call: more connections
    // can start at once.
    bool takeSizeLearned() { return std::exchange(sizeLearned_, false); }

    TaskReport report() const;

private:
    struct Transfer;
    enum class Stop { none, segmentEnd, writeFailed, badStatus, rangeIgnored, sizeChanged };

    static size_t onHeader(char* data, size_t size, size_t count, void* user);
    static size_t onBody(char* data, size_t size, size_t count, void* user);
    bool acceptReply(Transfer& transfer);
    bool acceptFirstReply(Transfer& transfer);
    void openFiles();
    void restartFromZero(bool withoutRanges, Clock::time_point now);
    void closeTransfer(Transfer& transfer);
    void closeAllTransfers();
    // Saves the progress: on the checkpointer's thread, or here and now
    // (after the saves still pending) when the files are about to be let go.
    void checkpoint(bool now);
    void unlinkProgress();
    void fail(std::int32_t code);
    void finish();
    void retryLater(Clock::time_point now);
    std::string finalName();

    TaskParams params_;
    EngineLimits limits_;
    CURLM* multi_;
    Checkpointer& checkpointer_;
    Checkpointer::Pending saves_ = std::make_shared<Checkpointer::Jobs>();
    std::string name_;  // the safe name the files are saved under
    std::string dataPath_;
    std::string progressPath_;

    TaskStatus status_ = TaskStatus::stopped;
    std::int32_t failCode_ = kNoFailure;
    std::string reportedName_;

    // What the first reply told: -1 while the size is unknown.
    bool probed_ = false;
    std::int64_t size_ = -1;
    bool ranges_ = true;
    bool restored_ = false;  // the plan came from saved progress not yet confirmed by the server
    bool askRanges_ = true;  // false once the server was seen to ignore ranges
    bool sizeLearned_ = false;
    SegmentPlan plan_;
    std::int64_t streamed_ = 0;  // bytes of a download without ranges, written from offset 0

    DataFile data_;
    std::list<std::unique_ptr<Transfer>> transfers_;
    int failuresInARow_ = 0;
    Clock::time_point retryAt_{};
    Clock::time_point nextCheckpoint_{};
    bool dirty_ = false;  // bytes written since the last checkpoint
    std::int64_t received_ = 0;  // bytes received in this run, for the speed
    std::int64_t writebackMark_ = 0;  // received_ when writeback was last started
    SpeedMeter speed_;
};

}  // namespace xldl
