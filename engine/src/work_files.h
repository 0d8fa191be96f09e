#pragma once

// The two work files of an unfinished download named N: N.td holds the data
// at its offsets, N.td.cfg the progress. The progress file is replaced
// atomically and only ever claims bytes already flushed to the data file.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "segment_plan.h"

namespace xldl {

struct SavedProgress {
    std::int64_t size = 0;
    std::vector<Segment> segments;
};

std::string dataPath(const std::string& folder, const std::string& name);
std::string progressPath(const std::string& folder, const std::string& name);

// The saved progress, when the file exists, is well formed and consistent.
std::optional<SavedProgress> loadProgress(const std::string& path);
// Writes to a temporary file, flushes it and renames it over the old one.
bool saveProgress(const std::string& path, const SavedProgress& progress, const std::string& url);

// The data file, written at offsets.
class DataFile {
public:
    DataFile() = default;
    ~DataFile() { close(); }
    DataFile(const DataFile&) = delete;
    DataFile& operator=(const DataFile&) = delete;

    // Opens (creating) the file; false with errno set on failure.
    bool open(const std::string& path);
    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    // Reserves the file's size; false when the disk has no room.
    bool reserve(std::int64_t size);
    bool truncate(std::int64_t size);
    // Writes every byte or fails (a full disk, say).
    bool write(std::int64_t offset, const char* data, std::size_t length);
    bool flush();
    void close();

private:
    int fd_ = -1;
};

}  // namespace xldl
