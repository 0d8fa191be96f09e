#pragma once

// The engine: the task table shared with the calling thread, and the engine's
// own thread that runs every transfer over one libcurl multi handle, hands
// out connections within the limits, and publishes each task's state for
// queries. The calls return at once; only a stop waits, briefly, until the
// task has let go of its files.

#include <curl/curl.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "checkpointer.h"
#include "download.h"
#include "engine_limits.h"
#include "task_records.h"

namespace xldl {

class Engine {
public:
    explicit Engine(const EngineLimits& limits);
    // Stops every task, saving its progress, and ends the thread.
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    std::uint32_t create(TaskParams params);
    bool start(std::uint32_t handle);
    bool stop(std::uint32_t handle);
    bool remove(std::uint32_t handle);
    std::optional<TaskReport> query(std::uint32_t handle) const;

private:
    enum class Op { start, stop, remove };
    struct Command {
        Op op;
        std::uint32_t handle;
        TaskParams params;  // for start
        std::uint64_t ticket = 0;
    };
    struct Entry {
        TaskParams params;
        TaskReport report;
        int queued = 0;  // start and stop commands not yet run: their status stands
    };

    void run();
    // Each tells whether it changed anything.
    bool runCommands(Download::Clock::time_point now);
    bool finishTransfers(Download::Clock::time_point now);
    void allocateConnections(Download::Clock::time_point now);
    bool pathTaken(std::uint32_t handle, const Download& download) const;
    void publish();
    void post(Command command);

    EngineLimits limits_;
    CURLM* multi_ = nullptr;

    mutable std::mutex mutex_;
    std::condition_variable done_;
    std::map<std::uint32_t, Entry> entries_;
    std::deque<Command> commands_;
    std::uint64_t posted_ = 0;
    std::uint64_t handled_ = 0;
    std::atomic<bool> quit_{false};

    // Outlives every download, which waits for its saves.
    Checkpointer checkpointer_;
    // Owned by the engine's thread.
    std::map<std::uint32_t, std::unique_ptr<Download>> downloads_;
    std::thread thread_;
};

}  // namespace xldl
