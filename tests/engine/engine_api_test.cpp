// The engine through its seven functions and binary records, as the program
// calls it, downloading from the fake service on 127.0.0.1.

#include "xldl_engine.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine_calls.h"
#include "support/fake_service.h"
#include "support/temp_folder.h"
#include "task_records.h"
#include "utf16.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using quarrow::testing::FakeService;
using quarrow::testing::queryEscape;
using quarrow::testing::RecordedRequest;
using quarrow::testing::TempFolder;
using quarrow::testing::taskParamRecord;
using quarrow::testing::queryTask;
using Info = quarrow::testing::TaskState;
using namespace std::chrono_literals;

// Byte k of every file the fake service serves.
unsigned char patternByte(std::int64_t k) { return static_cast<unsigned char>(k * 7 % 251); }

// Whether the file holds exactly the first size pattern bytes.
::testing::AssertionResult holdsPattern(const fs::path& path, std::int64_t size) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return ::testing::AssertionFailure() << path << " is missing";
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (static_cast<std::int64_t>(data.size()) != size)
        return ::testing::AssertionFailure() << path << " has " << data.size() << " bytes, not " << size;
    for (std::int64_t k = 0; k < size; ++k)
        if (static_cast<unsigned char>(data[static_cast<std::size_t>(k)]) != patternByte(k))
            return ::testing::AssertionFailure() << path << " differs at byte " << k;
    return ::testing::AssertionSuccess();
}

// The first byte asked for by each request from index from on (0 without a Range).
std::vector<std::int64_t> firstBytesAsked(const std::vector<RecordedRequest>& requests, std::size_t from) {
    std::vector<std::int64_t> firsts;
    for (std::size_t k = from; k < requests.size(); ++k) {
        std::string range = requests[k].header("Range");
        firsts.push_back(range.empty() ? 0 : std::stoll(range.substr(6)));
    }
    return firsts;
}

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        xldl_limits limits{};
        limits.min_segment_bytes = 64 * 1024;
        limits.max_attempts = 4;
        limits.first_retry_delay_ms = 50;
        limits.stall_seconds = 3;
        xldl_set_limits(&limits);
        XL_Init();
    }
    void TearDown() override {
        XL_UnInit();
        xldl_set_limits(nullptr);
    }

    std::uint32_t startTask(const std::string& url, const std::string& name, bool disableAutoRename = true) {
        return quarrow::testing::startEngineTask(url, folder.path().string(), name, disableAutoRename);
    }
    Info waitForEnd(std::uint32_t task, std::chrono::seconds limit = 60s) {
        return quarrow::testing::waitForEnd(task, limit);
    }
    void waitForBytes(std::uint32_t task, std::int64_t bytes) { quarrow::testing::waitForBytes(task, bytes); }

    fs::path file(const std::string& name) const { return folder.path() / name; }

    FakeService service;
    TempFolder folder;
};

TEST_F(EngineTest, DownloadsOverSeveralConnectionsByteForByte) {
    const std::int64_t size = 3'000'000;
    std::uint32_t task = startTask(service.http("/file?size=" + std::to_string(size)), "big.bin");
    ASSERT_NE(task, 0u);
    Info info = waitForEnd(task);
    EXPECT_EQ(info.stat, 4);
    EXPECT_EQ(info.fileName, "big.bin");
    EXPECT_EQ(info.total, size);
    EXPECT_EQ(info.downloaded, size);
    EXPECT_FLOAT_EQ(info.percent, 1.0f);
    EXPECT_TRUE(holdsPattern(file("big.bin"), size));
    EXPECT_FALSE(fs::exists(file("big.bin.td")));
    EXPECT_FALSE(fs::exists(file("big.bin.td.cfg")));

    int ranged = 0, most = 0;
    for (const RecordedRequest& request : service.requests()) {
        ranged += request.hasHeader("Range");
        most = std::max(most, request.active);
    }
    EXPECT_GT(ranged, 1);
    EXPECT_LE(most, 8);  // the per-task cap
}

TEST_F(EngineTest, ServersWithoutRangesOrLengthStillGiveTheWholeFile) {
    struct Case {
        std::string query;
        std::int64_t size;
    };
    const Case cases[] = {
        {"&no_ranges=1", 700'000},
        {"&no_length=1&no_ranges=1", 500'000},
        {"", 0},
    };
    int k = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.query);
        std::string name = "f" + std::to_string(k++);
        std::uint32_t task = startTask(service.http("/file?size=" + std::to_string(c.size) + c.query), name);
        Info info = waitForEnd(task);
        EXPECT_EQ(info.stat, 4);
        EXPECT_TRUE(holdsPattern(file(name), c.size));
    }
}

TEST_F(EngineTest, RetriesDropsAndServerErrorsThenFinishes) {
    const std::int64_t size = 400'000;
    const std::string cases[] = {
        "&token=a&drop_after=100000&drop_times=1",
        "&drop_after=30000",  // every reply breaks off, but each brings bytes
        "&token=b&fail_status=500&fail_times=2",
        "&token=c&no_ranges=1&drop_after=50000&drop_times=2",
    };
    int k = 0;
    for (const std::string& query : cases) {
        SCOPED_TRACE(query);
        std::string name = "r" + std::to_string(k++);
        std::uint32_t task = startTask(service.http("/file?size=" + std::to_string(size) + query), name);
        EXPECT_EQ(waitForEnd(task).stat, 4);
        EXPECT_TRUE(holdsPattern(file(name), size));
    }
}

TEST_F(EngineTest, FailsOnRefusalsAndEndlessDropsKeepingTheWorkFiles) {
    std::uint32_t refused = startTask(service.http("/file?size=1000&fail_status=403&fail_times=99&token=x"), "no.bin");
    Info info = waitForEnd(refused);
    EXPECT_EQ(info.stat, 1);
    EXPECT_EQ(info.failCode, 403);

    std::uint32_t missing = startTask(service.http("/nothing-here"), "gone.bin");
    info = waitForEnd(missing);
    EXPECT_EQ(info.stat, 1);
    EXPECT_EQ(info.failCode, 404);

    // Every reply breaks off before its first byte: no progress, so the tries run out.
    std::uint32_t dropping = startTask(service.http("/file?size=300000&drop_after=0"), "drop.bin");
    info = waitForEnd(dropping);
    EXPECT_EQ(info.stat, 1);
    EXPECT_EQ(info.failCode, 4);
    EXPECT_TRUE(fs::exists(file("drop.bin.td")));
    EXPECT_TRUE(fs::exists(file("drop.bin.td.cfg")));
}

TEST_F(EngineTest, UnusableParametersFailAtOnce) {
    struct Case {
        std::string url, folder, name;
        bool cutUrl;  // the URL fills its whole member, with no zero unit
    };
    const Case cases[] = {
        {service.http("/file?size=10"), "", "a", false},
        {"", folder.path().string(), "a", false},
        {"ftp://127.0.0.1/a", folder.path().string(), "a", false},
        {service.http("/file?size=10&pad="), folder.path().string(), "a", true},
    };
    for (const Case& c : cases) {
        auto record = taskParamRecord(c.url, c.folder, c.name);
        for (std::size_t unit = c.url.size(); c.cutUrl && unit < 2084; ++unit) record[4 + 2 * unit] = 'x';
        std::uint32_t task = XL_CreateTask(record.data());
        XL_StartTask(task);
        Info info = waitForEnd(task, 5s);
        EXPECT_EQ(info.stat, 1);
        EXPECT_EQ(info.failCode, 1);
    }
}

TEST_F(EngineTest, FilesThatCannotBeCreatedOrWrittenFailTheTask) {
    auto record = taskParamRecord(service.http("/file?size=1000"), (folder.path() / "missing").string(), "a.bin");
    std::uint32_t uncreatable = XL_CreateTask(record.data());
    XL_StartTask(uncreatable);
    Info info = waitForEnd(uncreatable);
    EXPECT_EQ(info.stat, 1);
    EXPECT_EQ(info.failCode, 2);

    // A file-size limit stands in for a full disk: writes past it fail.
    rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 100'000;
    setrlimit(RLIMIT_FSIZE, &small);
    std::uint32_t unwritable = startTask(service.http("/file?size=1000000"), "full.bin");
    info = waitForEnd(unwritable);
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(info.stat, 1);
    EXPECT_EQ(info.failCode, 3);
}

TEST_F(EngineTest, SavedProgressThatDoesNotFitStartsOver) {
    struct Case {
        std::int64_t served;
        std::int64_t saved;  // the size the progress file claims
    };
    // An earlier, larger file whose first missing byte lies past the end of
    // the file now served; and a data file cut short behind the progress
    // file's back (it claims bytes the data file does not hold).
    const Case cases[] = {{1'000'000, 5'000'000}, {2'000'000, 2'000'000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.saved);
        std::string name = "old" + std::to_string(c.saved);
        std::ofstream(file(name + ".td")) << std::string(10, 'x');
        std::ofstream(file(name + ".td.cfg")) << "quarrow-progress 1\nsize " << c.saved << "\nsegment 0 "
                                               << c.saved * 3 / 5 << ' ' << c.saved << "\n";
        std::uint32_t task = startTask(service.http("/file?size=" + std::to_string(c.served)), name);
        Info info = waitForEnd(task);
        EXPECT_EQ(info.stat, 4);
        EXPECT_EQ(info.total, c.served);
        EXPECT_TRUE(holdsPattern(file(name), c.served));
        EXPECT_FALSE(fs::exists(file(name + ".td.cfg")));
    }
}

TEST_F(EngineTest, FollowsRedirects) {
    std::string target = service.https("/file?size=200000");
    std::uint32_t task =
        startTask(service.http("/reply?status=302&header=" + queryEscape("Location: " + target)), "moved.bin");
    EXPECT_EQ(waitForEnd(task).stat, 4);
    EXPECT_TRUE(holdsPattern(file("moved.bin"), 200000));
}

TEST_F(EngineTest, NamesFromTheServiceStayInsideTheFolder) {
    std::uint32_t task = startTask(service.http("/file?size=1000"), "../../escape/..");
    Info info = waitForEnd(task);
    EXPECT_EQ(info.stat, 4);
    EXPECT_EQ(info.fileName.find('/'), std::string::npos);
    EXPECT_TRUE(holdsPattern(file(info.fileName), 1000));
    std::size_t inside = 0;
    for (const auto& entry : fs::directory_iterator(folder.path())) inside += entry.is_regular_file();
    EXPECT_EQ(inside, 1u);
}

TEST_F(EngineTest, AnExistingFileIsReplacedOrKeptBesideTheNewOne) {
    std::ofstream(file("same.bin")) << "old";
    std::uint32_t renamed = startTask(service.http("/file?size=1000"), "same.bin", false);
    Info info = waitForEnd(renamed);
    EXPECT_EQ(info.fileName, "same(1).bin");
    EXPECT_TRUE(holdsPattern(file("same(1).bin"), 1000));
    EXPECT_EQ(fs::file_size(file("same.bin")), 3u);

    std::uint32_t replacing = startTask(service.http("/file?size=1000"), "same.bin", true);
    EXPECT_EQ(waitForEnd(replacing).fileName, "same.bin");
    EXPECT_TRUE(holdsPattern(file("same.bin"), 1000));
}

TEST_F(EngineTest, StopAndStartGoOnWhereTheTaskStopped) {
    const std::int64_t size = 2'000'000;
    std::string url = service.http("/file?size=" + std::to_string(size) + "&rate=2000000");
    std::uint32_t task = startTask(url, "resume.bin");
    waitForBytes(task, 400'000);
    XL_StopTask(task);
    Info stopped = queryTask(task);
    EXPECT_EQ(stopped.stat, 2);
    EXPECT_GE(stopped.downloaded, 400'000);
    EXPECT_TRUE(fs::exists(file("resume.bin.td")));
    EXPECT_TRUE(fs::exists(file("resume.bin.td.cfg")));

    std::size_t before = service.requests().size();
    XL_StartTask(task);
    EXPECT_EQ(waitForEnd(task).stat, 4);
    EXPECT_TRUE(holdsPattern(file("resume.bin"), size));
    // Nothing done before the stop is asked for again.
    std::vector<std::int64_t> firsts = firstBytesAsked(service.requests(), before);
    ASSERT_FALSE(firsts.empty());
    for (std::int64_t first : firsts) EXPECT_GT(first, 0);
}

TEST_F(EngineTest, ALargerLeftoverDataFileDoesNotSpoilTheResume) {
    const std::int64_t size = 2'000'000;
    std::ofstream(file("left.bin.td")) << std::string(3'000'000, 'x');  // no progress file beside it
    std::uint32_t task = startTask(service.http("/file?size=" + std::to_string(size) + "&rate=1000000"), "left.bin");
    waitForBytes(task, 400'000);
    XL_StopTask(task);
    std::size_t before = service.requests().size();
    XL_StartTask(task);
    EXPECT_EQ(waitForEnd(task).stat, 4);
    EXPECT_TRUE(holdsPattern(file("left.bin"), size));
    for (std::int64_t first : firstBytesAsked(service.requests(), before)) EXPECT_GT(first, 0);
}

TEST_F(EngineTest, TwoTasksForTheSameNameNeverShareTheirWorkFiles) {
    // The first one pauses after a dropped connection: the second must not
    // take its work files meanwhile.
    std::uint32_t first = startTask(
        service.http("/file?size=1000000&rate=500000&no_ranges=1&token=a&drop_after=200000&drop_times=1"), "same.bin", false);
    waitForBytes(first, 100'000);
    std::uint32_t second = startTask(service.http("/file?size=600000"), "same.bin", false);
    Info one = waitForEnd(first);
    Info two = waitForEnd(second);
    ASSERT_EQ(one.stat, 4);
    ASSERT_EQ(two.stat, 4);
    EXPECT_NE(one.fileName, two.fileName);
    EXPECT_TRUE(holdsPattern(file(one.fileName), 1'000'000));
    EXPECT_TRUE(holdsPattern(file(two.fileName), 600'000));
}

TEST_F(EngineTest, AStoppedTaskLetsGoOfItsFilesSoTheyCanBeDeleted) {
    std::uint32_t task = startTask(service.http("/file?size=1000000&rate=500000"), "temp.bin");
    waitForBytes(task, 100'000);
    XL_StopTask(task);
    EXPECT_TRUE(fs::remove(file("temp.bin.td")));
    EXPECT_TRUE(fs::remove(file("temp.bin.td.cfg")));
    std::this_thread::sleep_for(1500ms);  // past a checkpoint: nothing comes back
    EXPECT_FALSE(fs::exists(file("temp.bin.td.cfg")));
    XL_DeleteTask(task);
    EXPECT_EQ(queryTask(task).stat, -1);

    std::uint32_t again = startTask(service.http("/file?size=1000000"), "temp.bin");
    EXPECT_EQ(waitForEnd(again).stat, 4);
    EXPECT_TRUE(holdsPattern(file("temp.bin"), 1000000));
}

TEST_F(EngineTest, ASizeChangeStartsTheFileAgainFromZero) {
    std::string url = service.http("/file?sizes=1000000,1500000&token=grow&rate=1000000");
    std::uint32_t task = startTask(url, "grow.bin");
    waitForBytes(task, 200'000);
    XL_StopTask(task);
    XL_StartTask(task);
    Info info = waitForEnd(task);
    EXPECT_EQ(info.stat, 4);
    EXPECT_EQ(info.total, 1'500'000);
    EXPECT_TRUE(holdsPattern(file("grow.bin"), 1'500'000));
}

TEST_F(EngineTest, ReportsTheSpeedOfASlowTrickle) {
    std::uint32_t task = startTask(service.http("/file?size=600000&rate=200000&no_ranges=1"), "slow.bin");
    waitForBytes(task, 300'000);
    Info info = queryTask(task);
    EXPECT_EQ(info.stat, 3);
    EXPECT_GT(info.speed, 100'000);
    EXPECT_LT(info.speed, 400'000);
    EXPECT_NEAR(info.percent, static_cast<double>(info.downloaded) / 600000.0, 0.05);
    EXPECT_EQ(waitForEnd(task).stat, 4);
}

TEST_F(EngineTest, FiftySmallFilesAllCompleteWithinTheConnectionCaps) {
    std::vector<std::uint32_t> tasks;
    for (int k = 0; k < 50; ++k)
        tasks.push_back(startTask(service.http("/file?size=" + std::to_string(20'000 + k) + "&rate=400000"),
                                  "small" + std::to_string(k)));
    for (int k = 0; k < 50; ++k) {
        EXPECT_EQ(waitForEnd(tasks[static_cast<std::size_t>(k)]).stat, 4);
        EXPECT_TRUE(holdsPattern(file("small" + std::to_string(k)), 20'000 + k));
    }
    int most = 0;
    for (const RecordedRequest& request : service.requests()) most = std::max(most, request.active);
    EXPECT_LE(most, 16);
    EXPECT_GT(most, 1);
}

TEST_F(EngineTest, DeletedAndUnknownHandlesAreNotAnswered) {
    std::uint32_t task = startTask(service.http("/file?size=10"), "x");
    waitForEnd(task);
    EXPECT_EQ(XL_DeleteTask(task), 1);
    for (std::uint32_t handle : {task, 0u, 99999u}) {
        std::vector<unsigned char> record(xldl::kTaskInfoSize, 0xEE);
        EXPECT_EQ(XL_QueryTaskInfoEx(handle, record.data()), 0);
        EXPECT_EQ(record[0], 0xEE);
        EXPECT_EQ(XL_StartTask(handle), 0);
        EXPECT_EQ(XL_StopTask(handle), 0);
        EXPECT_EQ(XL_DeleteTask(handle), 0);
    }
    EXPECT_EQ(XL_CreateTask(nullptr), 0u);
}

// A process downloading is killed outright; a new task for the same name and
// size, from another URL, continues from what the killed one saved.
TEST_F(EngineTest, ContinuesAfterTheDownloadingProcessIsKilled) {
    const std::int64_t size = 3'000'000;
    std::string first = service.http("/file?size=" + std::to_string(size) + "&rate=200000&token=first");
    std::vector<std::string> args{QUARROW_GET, first, folder.path().string(), "killed.bin"};
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t child;
    ASSERT_EQ(posix_spawn(&child, QUARROW_GET, nullptr, nullptr, argv.data(), environ), 0);
    std::this_thread::sleep_for(2500ms);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    ASSERT_TRUE(fs::exists(file("killed.bin.td.cfg")));

    std::string second = service.http("/file?size=" + std::to_string(size) + "&token=second");
    std::size_t before = service.requests().size();
    std::uint32_t task = startTask(second, "killed.bin");
    EXPECT_EQ(waitForEnd(task).stat, 4);
    EXPECT_TRUE(holdsPattern(file("killed.bin"), size));
    std::vector<std::int64_t> firsts = firstBytesAsked(service.requests(), before);
    ASSERT_FALSE(firsts.empty());
    for (std::int64_t first : firsts) EXPECT_GT(first, 0);
}

}  // namespace
