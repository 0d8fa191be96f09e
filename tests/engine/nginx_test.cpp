// The engine against a real nginx on 127.0.0.1: whole files over several
// connections, per-connection rate limits, and a stop and start in between.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine_calls.h"
#include "support/nginx_server.h"
#include "support/temp_folder.h"
#include "task_records.h"
#include "work_files.h"
#include "xldl_engine.h"

namespace {

namespace fs = std::filesystem;
using quarrow::testing::NginxOptions;
using quarrow::testing::NginxServer;
using quarrow::testing::ServedRequest;
using quarrow::testing::TempFolder;
using Info = quarrow::testing::TaskState;
using quarrow::testing::queryTask;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr std::int64_t kMiB = 1 << 20;

// Whether both files hold the same bytes.
::testing::AssertionResult sameBytes(const fs::path& got, const fs::path& expected) {
    std::ifstream a(got, std::ios::binary), b(expected, std::ios::binary);
    if (!a) return ::testing::AssertionFailure() << got << " is missing";
    if (fs::file_size(got) != fs::file_size(expected))
        return ::testing::AssertionFailure() << got << " has " << fs::file_size(got) << " bytes, not "
                                             << fs::file_size(expected);
    std::vector<char> x(1 << 20), y(1 << 20);
    for (std::int64_t offset = 0; a && b; offset += static_cast<std::int64_t>(x.size())) {
        a.read(x.data(), static_cast<std::streamsize>(x.size()));
        b.read(y.data(), static_cast<std::streamsize>(y.size()));
        std::size_t n = static_cast<std::size_t>(a.gcount());
        auto [p, q] = std::mismatch(x.begin(), x.begin() + static_cast<std::ptrdiff_t>(n), y.begin());
        if (p != x.begin() + static_cast<std::ptrdiff_t>(n))
            return ::testing::AssertionFailure() << got << " differs at byte " << offset + (p - x.begin());
    }
    return ::testing::AssertionSuccess();
}

double secondsSinceEpoch() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

class NginxTest : public ::testing::Test {
protected:
    void TearDown() override {
        XL_UnInit();
        xldl_set_limits(nullptr);
    }

    // Brings the engine up with at most connections per task (0: the default).
    void bringUp(int connections) {
        xldl_limits limits{};
        limits.connections_per_task = connections;
        limits.connections_total = connections;
        limits.max_attempts = 3;
        limits.first_retry_delay_ms = 100;
        xldl_set_limits(&limits);
        XL_Init();
    }

    std::uint32_t startTask(const std::string& url, const std::string& name) {
        return quarrow::testing::startEngineTask(url, folder.path().string(), name);
    }
    Info waitForEnd(std::uint32_t task) { return quarrow::testing::waitForEnd(task, 30s); }
    void waitForBytes(std::uint32_t task, std::int64_t bytes) { quarrow::testing::waitForBytes(task, bytes, 20s); }

    TempFolder folder;
};

TEST_F(NginxTest, DownloadsALargeFileByteForByteOverSeveralConnections) {
    NginxServer server;
    const fs::path source = server.addFile("big.bin", 20 * kMiB + 12345);
    bringUp(0);
    std::uint32_t task = startTask(server.url("/big.bin"), "big.bin");
    Info info = waitForEnd(task);
    EXPECT_EQ(info.stat, 4);
    EXPECT_EQ(info.total, static_cast<std::int64_t>(fs::file_size(source)));
    EXPECT_TRUE(sameBytes(folder.path() / "big.bin", source));
    EXPECT_FALSE(fs::exists(folder.path() / "big.bin.td"));
    EXPECT_FALSE(fs::exists(folder.path() / "big.bin.td.cfg"));

    std::vector<ServedRequest> requests = server.requests();
    std::set<std::int64_t> connections;
    for (const ServedRequest& r : requests) {
        EXPECT_EQ(r.uri, "/big.bin");
        EXPECT_EQ(r.status, 206) << r.range;
        EXPECT_FALSE(r.range.empty());
        connections.insert(r.connection);
    }
    EXPECT_GT(connections.size(), 1u);
}

// nginx holds each connection to 2 MiB/s after a first chunk of up to 2 MiB,
// so one connection needs about 7 s for 16 MiB; four need under 2 s.
TEST_F(NginxTest, SeveralConnectionsBeatAPerConnectionRateLimit) {
    const std::int64_t rate = 2 * kMiB;
    NginxServer server(NginxOptions{"2m"});
    const fs::path source = server.addFile("limited.bin", 16 * kMiB, 2);
    bringUp(4);
    const auto started = Clock::now();
    std::uint32_t task = startTask(server.url("/limited.bin"), "limited.bin");
    Info info = waitForEnd(task);
    const double elapsed = std::chrono::duration<double>(Clock::now() - started).count();
    EXPECT_EQ(info.stat, 4);
    EXPECT_TRUE(sameBytes(folder.path() / "limited.bin", source));
    const double oneConnection = static_cast<double>(16 * kMiB) / static_cast<double>(rate);
    EXPECT_LT(elapsed, 0.6 * oneConnection);

    std::vector<ServedRequest> requests = server.requests();
    ASSERT_FALSE(requests.empty());
    for (const ServedRequest& r : requests) EXPECT_EQ(r.limitRate, rate);
}

TEST_F(NginxTest, StopAndStartFetchOnlyWhatWasMissing) {
    const std::int64_t size = 12 * kMiB;
    NginxServer server(NginxOptions{"512k"});
    const fs::path source = server.addFile("resume.bin", size, 3);
    bringUp(4);
    std::uint32_t task = startTask(server.url("/resume.bin"), "resume.bin");
    waitForBytes(task, 5 * kMiB);
    XL_StopTask(task);
    Info stopped = queryTask(task);
    ASSERT_EQ(stopped.stat, 2);
    EXPECT_GE(stopped.downloaded, 5 * kMiB);
    EXPECT_LT(stopped.downloaded, size);
    EXPECT_TRUE(fs::exists(folder.path() / "resume.bin.td"));
    std::optional<xldl::SavedProgress> saved =
        xldl::loadProgress(xldl::progressPath(folder.path().string(), "resume.bin"));
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->size, size);

    // Requests of the first run may be logged late; they started before this.
    std::this_thread::sleep_for(200ms);
    const double restartedAt = secondsSinceEpoch() - 0.1;
    XL_StartTask(task);
    EXPECT_EQ(waitForEnd(task).stat, 4);
    EXPECT_TRUE(sameBytes(folder.path() / "resume.bin", source));

    // Every range asked for after the start lies in what the saved progress
    // left to do.
    int later = 0;
    for (const ServedRequest& r : server.requests()) {
        if (r.startedAt < restartedAt) continue;
        ++later;
        SCOPED_TRACE(r.range);
        ASSERT_FALSE(r.range.empty());
        bool inside = false;
        for (const xldl::Segment& s : saved->segments)
            inside = inside || (r.firstByte() >= s.done && r.firstByte() < s.end && r.lastByte() < s.end);
        EXPECT_TRUE(inside);
    }
    EXPECT_GT(later, 0);
}

}  // namespace
