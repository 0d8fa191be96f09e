#include "work_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace xldl {
namespace {

constexpr const char* kMagic = "quarrow-progress 1";

bool consistent(const SavedProgress& progress) {
    if (progress.size <= 0) return false;
    std::int64_t covered = 0;
    for (const Segment& s : progress.segments) {
        if (s.begin < 0 || s.begin > s.done || s.done > s.end || s.end > progress.size) return false;
        covered += s.end - s.begin;
    }
    return covered == progress.size;
}

}  // namespace

std::string dataPath(const std::string& folder, const std::string& name) { return folder + "/" + name + ".td"; }

std::string progressPath(const std::string& folder, const std::string& name) {
    return folder + "/" + name + ".td.cfg";
}

std::optional<SavedProgress> loadProgress(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    if (!std::getline(in, line) || line != kMagic) return std::nullopt;
    SavedProgress progress;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string key;
        fields >> key;
        if (key == "size") {
            fields >> progress.size;
        } else if (key == "segment") {
            Segment s;
            fields >> s.begin >> s.done >> s.end;
            if (!fields) return std::nullopt;
            progress.segments.push_back(s);
        }
    }
    if (!consistent(progress)) return std::nullopt;
    return progress;
}

bool saveProgress(const std::string& path, const SavedProgress& progress, const std::string& url) {
    std::ostringstream text;
    text << kMagic << "\nsize " << progress.size << "\nurl " << url << "\n";
    for (const Segment& s : progress.segments) text << "segment " << s.begin << ' ' << s.done << ' ' << s.end << "\n";
    std::string content = text.str();
    std::string temporary = path + ".tmp";
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
    ok = ::fdatasync(fd) == 0 && ok;
    ::close(fd);
    if (!ok || std::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

bool DataFile::open(const std::string& path) {
    close();
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    return fd_ >= 0;
}

bool DataFile::reserve(std::int64_t size) {
    if (::fallocate(fd_, 0, 0, size) == 0) return true;
    if (errno == ENOSPC) return false;
    // File systems without allocation support still take a sparse size.
    return ::ftruncate(fd_, size) == 0;
}

bool DataFile::truncate(std::int64_t size) { return ::ftruncate(fd_, size) == 0; }

bool DataFile::write(std::int64_t offset, const char* data, std::size_t length) {
    while (length > 0) {
        ssize_t written = ::pwrite(fd_, data, length, offset);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        length -= static_cast<std::size_t>(written);
        offset += written;
    }
    return true;
}

bool DataFile::flush() { return fd_ < 0 || ::fdatasync(fd_) == 0; }

void DataFile::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

}  // namespace xldl
