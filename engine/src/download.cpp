#include "download.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "safe_name.h"

namespace xldl {

struct Download::Transfer {
    Download* owner = nullptr;
    CURL* easy = nullptr;
    Segment* segment = nullptr;  // null while writing a file of unknown size
    bool probe = false;          // the first connection of a start: learns the size
    std::int64_t from = 0;       // the first byte asked for
    std::int64_t offset = 0;     // where the next byte goes
    bool ranged = false;         // a Range header was sent

    // The final reply's status line and size headers.
    long status = 0;
    std::int64_t contentLength = -1;
    std::int64_t rangeStart = -1;
    std::int64_t rangeTotal = -1;
    bool redirect = false;  // a redirect reply, which libcurl follows
    bool replyChecked = false;
    Stop stop = Stop::none;
};

namespace {

constexpr long kBufferBytes = 512 * 1024;
// Dirty data is sent on its way to the disk every this many bytes, so that
// the disk works while the network does.
constexpr std::int64_t kWritebackBytes = 16 << 20;

bool startsWithIgnoringCase(const std::string& text, const char* prefix) {
    return strncasecmp(text.c_str(), prefix, std::strlen(prefix)) == 0;
}

std::int64_t parseNumber(const char* text) {
    char* end = nullptr;
    errno = 0;
    long long value = std::strtoll(text, &end, 10);
    return end == text || errno != 0 || value < 0 ? -1 : value;
}

// "bytes a-b/total": a and total; total -1 for "*".
void parseContentRange(const std::string& value, std::int64_t& start, std::int64_t& total) {
    std::size_t unit = value.find("bytes");
    if (unit == std::string::npos) return;
    start = parseNumber(value.c_str() + unit + 5);
    std::size_t slash = value.find('/');
    total = slash == std::string::npos ? -1 : parseNumber(value.c_str() + slash + 1);
}

std::chrono::milliseconds retryDelay(const EngineLimits& limits, int failures) {
    auto delay = limits.firstRetryDelay;
    for (int k = 1; k < failures && delay < limits.maxRetryDelay; ++k) delay *= 2;
    return std::min(delay, limits.maxRetryDelay);
}

bool isWebUrl(const std::string& url) {
    return startsWithIgnoringCase(url, "http://") || startsWithIgnoringCase(url, "https://");
}

}  // namespace

Download::Download(TaskParams params, const EngineLimits& limits, CURLM* multi, Checkpointer& checkpointer)
    : params_(std::move(params)),
      limits_(limits),
      multi_(multi),
      checkpointer_(checkpointer),
      name_(safeFileName(params_.fileName)) {
    dataPath_ = dataPath(params_.saveFolder, name_);
    progressPath_ = progressPath(params_.saveFolder, name_);
    reportedName_ = name_;
}

Download::~Download() { stop(); }

void Download::start(Clock::time_point now) {
    if (running() || status_ == TaskStatus::complete) return;
    if (params_.truncated || params_.saveFolder.empty() || params_.url.empty() || !isWebUrl(params_.url)) {
        fail(kBadParameters);
        return;
    }
    if (!params_.resume) unlinkProgress();
    params_.resume = true;  // a stopped task started again goes on where it stopped
    status_ = TaskStatus::startPending;
    failCode_ = kNoFailure;
    failuresInARow_ = 0;
    retryAt_ = now;
    nextCheckpoint_ = now + limits_.checkpointInterval;
    probed_ = false;
    restored_ = false;
    askRanges_ = true;
    speed_.reset();
}

void Download::stop() {
    if (!running()) return;
    closeAllTransfers();
    checkpoint(true);
    data_.close();
    status_ = TaskStatus::stopped;
    speed_.reset();
}

bool Download::wantsConnection(Clock::time_point now) const {
    if (!running() || now < retryAt_) return false;
    if (!probed_ || !ranges_ || size_ < 0) return transfers_.empty();
    if (connections() >= limits_.connectionsPerTask) return false;
    for (const Segment& segment : plan_.segments())
        if (!segment.busy && segment.remaining() > 0) return true;
    for (const Segment& segment : plan_.segments())
        if (segment.remaining() >= 2 * limits_.minSegmentBytes) return true;
    return false;
}

void Download::openFiles() {
    if (data_.isOpen()) return;
    if (!data_.open(dataPath_)) fail(kCannotCreateFile);
}

void Download::addConnection(Clock::time_point now) {
    openFiles();
    if (!running()) return;
    auto transfer = std::make_unique<Transfer>();
    transfer->owner = this;
    if (!probed_) {
        transfer->probe = true;
        // A first connection that died before its reply may have left a
        // restored plan behind; it is read afresh.
        restored_ = false;
        plan_ = SegmentPlan();
        std::optional<SavedProgress> saved = askRanges_ ? loadProgress(progressPath_) : std::nullopt;
        // The data file was sized when its download began; one of another
        // size cannot hold what the progress claims.
        struct stat data {};
        if (saved && (::stat(dataPath_.c_str(), &data) != 0 || data.st_size != saved->size)) saved.reset();
        if (saved) {
            plan_.restore(saved->size, saved->segments);
            restored_ = true;
            if (plan_.finished()) {
                size_ = plan_.size();
                ranges_ = true;
                probed_ = true;
                finish();
                return;
            }
            transfer->segment = plan_.idle();
            transfer->segment->busy = true;
            transfer->from = transfer->segment->done;
        }
        transfer->ranged = askRanges_;
    } else if (ranges_ && size_ >= 0) {
        Segment* segment = plan_.idle();
        if (!segment) segment = plan_.split(limits_.minSegmentBytes);
        if (!segment) return;
        segment->busy = true;
        transfer->segment = segment;
        transfer->from = segment->done;
        transfer->ranged = true;
    } else {
        // Without ranges every attempt fetches the file from its first byte.
        streamed_ = 0;
        if (size_ >= 0) {
            plan_.reset(size_);
            transfer->segment = &plan_.segments().front();
            transfer->segment->busy = true;
        }
    }
    transfer->offset = transfer->from;

    CURL* easy = curl_easy_init();
    if (!easy) {
        if (transfer->segment) transfer->segment->busy = false;
        retryLater(now);
        return;
    }
    transfer->easy = easy;
    curl_easy_setopt(easy, CURLOPT_URL, params_.url.c_str());
    curl_easy_setopt(easy, CURLOPT_PRIVATE, this);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, "Quarrow/1.0");
    if (!params_.referrer.empty()) curl_easy_setopt(easy, CURLOPT_REFERER, params_.referrer.c_str());
    if (!params_.cookies.empty()) curl_easy_setopt(easy, CURLOPT_COOKIE, params_.cookies.c_str());
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, limits_.connectTimeoutSeconds);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, limits_.stallSeconds);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    if (const char* bundle = std::getenv("CURL_CA_BUNDLE"); bundle && *bundle)
        curl_easy_setopt(easy, CURLOPT_CAINFO, bundle);
    curl_easy_setopt(easy, CURLOPT_PROXY, "");
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, kBufferBytes);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Download::onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, transfer.get());
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Download::onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, transfer.get());
    if (transfer->ranged) {
        std::string range = std::to_string(transfer->from) + "-";
        if (!transfer->probe && transfer->segment) range += std::to_string(transfer->segment->end - 1);
        curl_easy_setopt(easy, CURLOPT_RANGE, range.c_str());
    }
    curl_multi_add_handle(multi_, easy);
    transfers_.push_back(std::move(transfer));
    status_ = TaskStatus::downloading;
}

size_t Download::onHeader(char* data, size_t size, size_t count, void* user) {
    auto& transfer = *static_cast<Transfer*>(user);
    std::string line(data, size * count);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (startsWithIgnoringCase(line, "HTTP/")) {
        // Each reply of a redirect chain starts afresh; the last one counts.
        std::size_t space = line.find(' ');
        transfer.status = space == std::string::npos ? 0 : std::atol(line.c_str() + space + 1);
        transfer.contentLength = transfer.rangeStart = transfer.rangeTotal = -1;
        transfer.redirect = false;
    } else if (line.empty()) {
        // The end of a reply's headers: judge it now unless it is an interim
        // reply or a redirect that is followed.
        bool interim = transfer.status >= 100 && transfer.status < 200;
        if (!interim && !transfer.redirect && !transfer.replyChecked) {
            transfer.replyChecked = true;
            if (!transfer.owner->acceptReply(transfer)) return 0;
        }
    } else if (startsWithIgnoringCase(line, "Location:")) {
        transfer.redirect = transfer.status >= 300 && transfer.status < 400;
    } else if (startsWithIgnoringCase(line, "Content-Length:")) {
        transfer.contentLength = parseNumber(line.c_str() + 15);
    } else if (startsWithIgnoringCase(line, "Content-Range:")) {
        parseContentRange(line.substr(14), transfer.rangeStart, transfer.rangeTotal);
    }
    return size * count;
}

size_t Download::onBody(char* data, size_t size, size_t count, void* user) {
    auto& transfer = *static_cast<Transfer*>(user);
    Download& download = *transfer.owner;
    const size_t length = size * count;
    if (!transfer.replyChecked) {
        transfer.replyChecked = true;
        if (!download.acceptReply(transfer)) return 0;
    }
    size_t take = length;
    if (transfer.segment)
        take = static_cast<size_t>(std::clamp<std::int64_t>(transfer.segment->end - transfer.offset, 0,
                                                            static_cast<std::int64_t>(length)));
    if (take > 0 && !download.data_.write(transfer.offset, data, take)) {
        transfer.stop = Stop::writeFailed;
        return 0;
    }
    transfer.offset += static_cast<std::int64_t>(take);
    if (transfer.segment) transfer.segment->done = transfer.offset;
    if (!download.ranges_) download.streamed_ = transfer.offset;
    if (take > 0) {
        download.received_ += static_cast<std::int64_t>(take);
        download.dirty_ = true;
        download.failuresInARow_ = 0;
    }
    if (take < length) {
        // The segment ends here (another connection took over the rest).
        transfer.stop = Stop::segmentEnd;
        return 0;
    }
    return length;
}

bool Download::acceptReply(Transfer& transfer) {
    if (transfer.status >= 300 || transfer.status < 200) {
        transfer.stop = Stop::badStatus;
        return false;
    }
    if (transfer.probe) return acceptFirstReply(transfer);
    if (!transfer.ranged) {
        // A new attempt without ranges: the server's size holds.
        if (transfer.contentLength >= 0 && transfer.contentLength != size_) {
            transfer.stop = Stop::sizeChanged;
            return false;
        }
        return true;
    }
    if (transfer.status != 206 || transfer.rangeStart != transfer.from) {
        transfer.stop = Stop::rangeIgnored;
        return false;
    }
    if (transfer.rangeTotal >= 0 && transfer.rangeTotal != size_) {
        transfer.stop = Stop::sizeChanged;
        return false;
    }
    return true;
}

bool Download::acceptFirstReply(Transfer& transfer) {
    probed_ = true;
    if (transfer.ranged && transfer.status == 206) {
        if (transfer.rangeStart != transfer.from || transfer.rangeTotal < 0) {
            transfer.stop = Stop::rangeIgnored;
            return false;
        }
        if (restored_ && transfer.rangeTotal != plan_.size()) {
            transfer.stop = Stop::sizeChanged;
            return false;
        }
        ranges_ = true;
        size_ = transfer.rangeTotal;
        sizeLearned_ = true;
        if (!restored_) {
            // A data file left larger by an earlier download would not match
            // the progress saved for this one.
            data_.truncate(size_);
            plan_.reset(size_);
            transfer.segment = &plan_.segments().front();
            transfer.segment->busy = true;
            std::int64_t pieces = std::max<std::int64_t>(1, size_ / std::max<std::int64_t>(1, limits_.minSegmentBytes));
            plan_.divide(*transfer.segment, static_cast<int>(std::min<std::int64_t>(limits_.connectionsPerTask, pieces)));
        }
        restored_ = false;
    } else {
        // The whole file from its first byte: ranges are not served.
        ranges_ = false;
        restored_ = false;
        size_ = transfer.contentLength;
        streamed_ = 0;
        if (transfer.segment) transfer.segment->busy = false;
        transfer.segment = nullptr;
        transfer.from = transfer.offset = 0;
        data_.truncate(std::max<std::int64_t>(size_, 0));
        if (size_ >= 0) {
            plan_.reset(size_);
            transfer.segment = &plan_.segments().front();
            transfer.segment->busy = true;
        }
        unlinkProgress();
    }
    if (size_ > 0 && !data_.reserve(size_)) {
        transfer.stop = Stop::writeFailed;
        return false;
    }
    dirty_ = true;
    return true;
}

void Download::transferDone(CURL* easy, CURLcode result, Clock::time_point now) {
    auto found = std::find_if(transfers_.begin(), transfers_.end(),
                              [&](const std::unique_ptr<Transfer>& t) { return t->easy == easy; });
    if (found == transfers_.end()) return;
    Transfer& transfer = **found;
    if (!transfer.replyChecked && result == CURLE_OK) {
        transfer.replyChecked = true;
        acceptReply(transfer);
    }
    const Stop stop = transfer.stop;
    const long status = transfer.status;
    const bool probe = transfer.probe;
    const std::int64_t from = transfer.from;
    Segment* segment = transfer.segment;
    closeTransfer(transfer);

    switch (stop) {
    case Stop::writeFailed:
        fail(kWriteFailed);
        return;
    case Stop::badStatus:
        if (status == 416) {
            // The range asked for is past the file's end: an empty file, or
            // a file that is no longer the size the plan was made for.
            restartFromZero(probe && from == 0, now);
        } else if (status == 408 || status == 429 || status >= 500) {
            retryLater(now);  // the server asks to come back later
        } else if (status >= 400) {
            fail(static_cast<std::int32_t>(status));
        } else {
            retryLater(now);
        }
        return;
    case Stop::sizeChanged:
        restartFromZero(false, now);
        return;
    case Stop::rangeIgnored:
        restartFromZero(true, now);
        return;
    case Stop::segmentEnd:
    case Stop::none:
        break;
    }
    if (stop == Stop::none && result != CURLE_OK) {
        retryLater(now);
        return;
    }
    if (ranges_ && size_ >= 0) {
        if (plan_.finished()) finish();
        else if (segment && segment->remaining() > 0 && stop != Stop::segmentEnd) retryLater(now);
        return;
    }
    if (size_ < 0 || streamed_ == size_) finish();
    else retryLater(now);
}

// Counts as a failed round, so a server that keeps changing its answers
// pauses the task and in the end fails it rather than loop.
void Download::restartFromZero(bool withoutRanges, Clock::time_point now) {
    closeAllTransfers();
    unlinkProgress();
    plan_ = SegmentPlan();
    probed_ = false;
    restored_ = false;
    size_ = -1;
    streamed_ = 0;
    if (withoutRanges) askRanges_ = false;
    retryLater(now);
}

void Download::retryLater(Clock::time_point now) {
    if (now < retryAt_) return;  // one failure round, however many connections it took
    if (++failuresInARow_ >= limits_.maxAttempts) {
        fail(kNetworkGaveUp);
        return;
    }
    retryAt_ = now + retryDelay(limits_, failuresInARow_);
}

void Download::closeTransfer(Transfer& transfer) {
    curl_multi_remove_handle(multi_, transfer.easy);
    curl_easy_cleanup(transfer.easy);
    if (transfer.segment) transfer.segment->busy = false;
    transfers_.remove_if([&](const std::unique_ptr<Transfer>& t) { return t.get() == &transfer; });
}

void Download::closeAllTransfers() {
    while (!transfers_.empty()) closeTransfer(*transfers_.front());
}

void Download::checkpoint(bool now) {
    if (now) checkpointer_.wait(saves_);
    if (saves_->saveFailed.exchange(false)) dirty_ = true;  // save it again
    if (!data_.isOpen() || !probed_ || size_ <= 0 || !dirty_) return;
    SavedProgress progress{size_, plan_.snapshot()};
    if (!ranges_) progress.segments = {Segment{0, 0, size_, false}};  // nothing to resume from
    // Everything the snapshot claims was written before the flush that
    // precedes the save.
    if (now) {
        if (data_.flush() && saveProgress(progressPath_, progress, params_.url)) dirty_ = false;
    } else if (saves_->pending == 0) {
        checkpointer_.post(data_.fd(), progressPath_, std::move(progress), params_.url, saves_);
        dirty_ = false;
    }
}

// A save still pending must not bring the progress file back afterwards.
void Download::unlinkProgress() {
    checkpointer_.wait(saves_);
    ::unlink(progressPath_.c_str());
}

void Download::tick(Clock::time_point now) {
    speed_.sample(now, received_);
    if (running() && now >= nextCheckpoint_) {
        checkpoint(false);
        nextCheckpoint_ = now + limits_.checkpointInterval;
    } else if (running() && data_.isOpen() && received_ >= writebackMark_ + kWritebackBytes) {
        checkpointer_.startWriteback(data_.fd(), saves_);
        writebackMark_ = received_;
    }
}

void Download::fail(std::int32_t code) {
    closeAllTransfers();
    checkpoint(true);
    data_.close();
    status_ = TaskStatus::failed;
    failCode_ = code;
}

void Download::finish() {
    closeAllTransfers();
    checkpointer_.wait(saves_);
    std::int64_t length = ranges_ && size_ >= 0 ? size_ : streamed_;
    bool ok = data_.truncate(length) && data_.flush();
    data_.close();
    std::string name = ok ? finalName() : std::string();
    if (name.empty()) {
        failCode_ = kCannotFinish;
        status_ = TaskStatus::failed;
        return;
    }
    unlinkProgress();
    size_ = length;
    reportedName_ = name;
    status_ = TaskStatus::complete;
}

// Moves the data file to its final name: over an existing file when auto
// renaming is off, else to the first free "name(k)".
std::string Download::finalName() {
    const std::string& folder = params_.saveFolder;
    if (params_.disableAutoRename)
        return std::rename(dataPath_.c_str(), (folder + "/" + name_).c_str()) == 0 ? name_ : std::string();
    for (int k = 0; k < 10000; ++k) {
        std::string candidate = k == 0 ? name_ : numberedName(name_, k);
        std::string target = folder + "/" + candidate;
        if (::renameat2(AT_FDCWD, dataPath_.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
            return candidate;
        // File systems without that rename take a hard link, which also
        // refuses an existing name.
        if (errno == EINVAL && ::link(dataPath_.c_str(), target.c_str()) == 0) {
            ::unlink(dataPath_.c_str());
            return candidate;
        }
        if (errno != EEXIST) return {};
    }
    return {};
}

TaskReport Download::report() const {
    TaskReport report;
    report.status = static_cast<std::int32_t>(status_);
    report.failCode = failCode_;
    report.fileName = reportedName_;
    report.totalSize = size_ > 0 ? size_ : 0;
    report.downloaded = status_ == TaskStatus::complete ? size_
                        : ranges_ && size_ >= 0     ? plan_.completed()
                                                    : streamed_;
    if (report.totalSize > 0)
        report.percent = static_cast<float>(static_cast<double>(report.downloaded) / static_cast<double>(report.totalSize));
    else if (status_ == TaskStatus::complete)
        report.percent = 1.0f;
    report.speed = status_ == TaskStatus::downloading ? speed_.bytesPerSecond() : 0;
    return report;
}

}  // namespace xldl
