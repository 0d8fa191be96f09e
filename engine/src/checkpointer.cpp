#include "checkpointer.h"

#include <fcntl.h>
#include <unistd.h>

namespace xldl {

Checkpointer::Checkpointer() : thread_([this] { run(); }) {}

Checkpointer::~Checkpointer() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void Checkpointer::post(int dataFd, std::string progressPath, SavedProgress progress, std::string url,
                        const Pending& pending) {
    int fd = ::dup(dataFd);
    if (fd < 0) {
        pending->saveFailed = true;
        return;
    }
    ++pending->pending;
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back({fd, std::move(progressPath), std::move(progress), std::move(url), pending});
    }
    changed_.notify_all();
}

void Checkpointer::startWriteback(int dataFd, const Pending& pending) {
    int fd = ::dup(dataFd);
    if (fd < 0) return;
    ++pending->pending;
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back({fd, {}, {}, {}, pending, true});
    }
    changed_.notify_all();
}

void Checkpointer::wait(const Pending& pending) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return pending->pending == 0; });
}

void Checkpointer::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return quit_ || !jobs_.empty(); });
        if (jobs_.empty()) return;  // quitting with nothing left
        Job job = std::move(jobs_.front());
        jobs_.pop_front();
        lock.unlock();
        if (job.writebackOnly) {
            ::sync_file_range(job.fd, 0, 0, SYNC_FILE_RANGE_WRITE);
        } else if (::fdatasync(job.fd) != 0 || !saveProgress(job.path, job.progress, job.url)) {
            job.pending->saveFailed = true;
        }
        ::close(job.fd);
        lock.lock();
        --job.pending->pending;
        changed_.notify_all();
    }
}

}  // namespace xldl
