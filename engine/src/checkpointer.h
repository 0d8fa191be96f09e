#pragma once

// Saves progress off the engine's thread: each job flushes a data file and
// then replaces its progress file, so the engine goes on receiving while the
// disk catches up. The progress saved was snapshotted before the flush
// began, so it never claims a byte the flush did not cover.

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "work_files.h"

namespace xldl {

class Checkpointer {
public:
    // The jobs of one task; a task waits for its own before it touches its
    // files, and learns when a save failed so that it saves again.
    struct Jobs {
        std::atomic<int> pending{0};
        std::atomic<bool> saveFailed{false};
    };
    using Pending = std::shared_ptr<Jobs>;

    Checkpointer();
    // Finishes the jobs already posted.
    ~Checkpointer();
    Checkpointer(const Checkpointer&) = delete;
    Checkpointer& operator=(const Checkpointer&) = delete;

    // Takes its own descriptor of the data file.
    void post(int dataFd, std::string progressPath, SavedProgress progress, std::string url, const Pending& pending);
    // Starts writing the data file's dirty pages to disk without waiting, so
    // that the next flush has little left to do.
    void startWriteback(int dataFd, const Pending& pending);
    // Returns once every job counted by pending is done.
    void wait(const Pending& pending);

private:
    struct Job {
        int fd;
        std::string path;
        SavedProgress progress;
        std::string url;
        Pending pending;
        bool writebackOnly = false;
    };
    void run();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> jobs_;
    bool quit_ = false;
    std::thread thread_;
};

}  // namespace xldl
