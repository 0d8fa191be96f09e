#include "engine.h"

#include <algorithm>
#include <chrono>

namespace xldl {
namespace {

std::atomic<std::uint32_t> nextHandle{1};

// How long a stop waits for the engine's thread to let go of the files.
constexpr std::chrono::seconds kStopWait{15};

}  // namespace

Engine::Engine(const EngineLimits& limits) : limits_(limits) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    multi_ = curl_multi_init();
    curl_multi_setopt(multi_, CURLMOPT_MAX_TOTAL_CONNECTIONS, static_cast<long>(limits_.connectionsTotal));
    thread_ = std::thread([this] { run(); });
}

Engine::~Engine() {
    quit_ = true;
    curl_multi_wakeup(multi_);
    thread_.join();
    curl_multi_cleanup(multi_);
}

std::uint32_t Engine::create(TaskParams params) {
    std::uint32_t handle = nextHandle++;
    std::lock_guard lock(mutex_);
    Entry entry;
    entry.report.status = static_cast<std::int32_t>(TaskStatus::stopped);
    entry.report.fileName = params.fileName;
    entry.params = std::move(params);
    entries_.emplace(handle, std::move(entry));
    return handle;
}

void Engine::post(Command command) {
    commands_.push_back(std::move(command));
    curl_multi_wakeup(multi_);
}

bool Engine::start(std::uint32_t handle) {
    std::lock_guard lock(mutex_);
    auto found = entries_.find(handle);
    if (found == entries_.end()) return false;
    TaskReport& report = found->second.report;
    if (report.status != static_cast<std::int32_t>(TaskStatus::complete))
        report.status = static_cast<std::int32_t>(TaskStatus::startPending);
    ++found->second.queued;
    post({Op::start, handle, found->second.params});
    return true;
}

bool Engine::stop(std::uint32_t handle) {
    std::unique_lock lock(mutex_);
    auto found = entries_.find(handle);
    if (found == entries_.end()) return false;
    TaskReport& report = found->second.report;
    if (report.status == static_cast<std::int32_t>(TaskStatus::startPending) ||
        report.status == static_cast<std::int32_t>(TaskStatus::downloading))
        report.status = static_cast<std::int32_t>(TaskStatus::stopPending);
    ++found->second.queued;
    std::uint64_t ticket = ++posted_;
    post({Op::stop, handle, {}, ticket});
    done_.wait_for(lock, kStopWait, [&] { return handled_ >= ticket || quit_; });
    return true;
}

bool Engine::remove(std::uint32_t handle) {
    std::lock_guard lock(mutex_);
    if (entries_.erase(handle) == 0) return false;
    post({Op::remove, handle, {}});
    return true;
}

std::optional<TaskReport> Engine::query(std::uint32_t handle) const {
    std::lock_guard lock(mutex_);
    auto found = entries_.find(handle);
    if (found == entries_.end()) return std::nullopt;
    return found->second.report;
}

void Engine::run() {
    // Bookkeeping (checkpoints, speeds, new connections, published states)
    // runs at most this often while data streams in, and at once after a
    // command or a finished connection.
    constexpr auto kBookkeeping = std::chrono::milliseconds(50);
    auto lastBookkeeping = Download::Clock::time_point{};
    while (!quit_) {
        auto now = Download::Clock::now();
        bool changed = runCommands(now);
        int running = 0;
        curl_multi_perform(multi_, &running);
        changed = finishTransfers(now) || changed;
        for (auto& [handle, download] : downloads_) changed = download->takeSizeLearned() || changed;
        if (changed || now - lastBookkeeping >= kBookkeeping) {
            for (auto& [handle, download] : downloads_) download->tick(now);
            allocateConnections(now);
            publish();
            lastBookkeeping = now;
        }
        curl_multi_poll(multi_, nullptr, 0, 100, nullptr);
    }
    for (auto& [handle, download] : downloads_) download->stop();
    downloads_.clear();
    std::lock_guard lock(mutex_);
    handled_ = posted_;
    done_.notify_all();
}

bool Engine::runCommands(Download::Clock::time_point now) {
    std::deque<Command> commands;
    {
        std::lock_guard lock(mutex_);
        commands.swap(commands_);
    }
    if (commands.empty()) return false;
    for (Command& command : commands) {
        auto found = downloads_.find(command.handle);
        switch (command.op) {
        case Op::start:
            if (found == downloads_.end())
                found = downloads_.emplace(command.handle, std::make_unique<Download>(command.params, limits_, multi_, checkpointer_)).first;
            found->second->start(now);
            break;
        case Op::stop:
            if (found != downloads_.end()) found->second->stop();
            break;
        case Op::remove:
            if (found != downloads_.end()) downloads_.erase(found);
            break;
        }
        if (command.op != Op::remove) {
            std::lock_guard lock(mutex_);
            auto entry = entries_.find(command.handle);
            if (entry != entries_.end()) --entry->second.queued;
        }
        if (command.ticket) {
            publish();
            std::lock_guard lock(mutex_);
            handled_ = std::max(handled_, command.ticket);
            done_.notify_all();
        }
    }
    return true;
}

bool Engine::finishTransfers(Download::Clock::time_point now) {
    int left = 0;
    bool any = false;
    while (CURLMsg* message = curl_multi_info_read(multi_, &left)) {
        if (message->msg != CURLMSG_DONE) continue;
        any = true;
        CURL* easy = message->easy_handle;
        CURLcode result = message->data.result;
        Download* download = nullptr;
        curl_easy_getinfo(easy, CURLINFO_PRIVATE, &download);
        if (download) download->transferDone(easy, result, now);
    }
    return any;
}

// Two running tasks never write the same work files: the later one waits.
bool Engine::pathTaken(std::uint32_t handle, const Download& download) const {
    for (const auto& [other, candidate] : downloads_)
        if (other != handle && candidate->holdsFiles() && candidate->dataFilePath() == download.dataFilePath())
            return true;
    return false;
}

// Every waiting task gets its first connection before any task gets more.
void Engine::allocateConnections(Download::Clock::time_point now) {
    int total = 0;
    for (const auto& [handle, download] : downloads_) total += download->connections();
    for (bool firstOnly : {true, false}) {
        bool added = true;
        while (added && total < limits_.connectionsTotal) {
            added = false;
            for (auto& [handle, download] : downloads_) {
                if (total >= limits_.connectionsTotal) break;
                if (firstOnly != (download->connections() == 0)) continue;
                if (!download->wantsConnection(now) || pathTaken(handle, *download)) continue;
                int before = download->connections();
                download->addConnection(now);
                if (download->connections() > before) {
                    ++total;
                    added = !firstOnly;
                }
            }
        }
    }
}

void Engine::publish() {
    std::lock_guard lock(mutex_);
    for (const auto& [handle, download] : downloads_) {
        auto found = entries_.find(handle);
        if (found != entries_.end() && found->second.queued == 0) found->second.report = download->report();
    }
}

}  // namespace xldl
