// The engine's own pieces: record reading, names, the segment plan and the
// saved progress.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "safe_name.h"
#include "segment_plan.h"
#include "support/temp_folder.h"
#include "task_records.h"
#include "utf16.h"
#include "work_files.h"

namespace {

std::vector<unsigned char> record(const std::string& url, const std::string& name, const std::string& folder) {
    std::vector<unsigned char> bytes(xldl::kTaskParamSize);
    xldl::utf8ToUtf16(url, &bytes[4], 4168);
    xldl::utf8ToUtf16(name, &bytes[16532], 520);
    xldl::utf8ToUtf16(folder, &bytes[17572], 520);
    return bytes;
}

TEST(TaskRecordsTest, ReadsEveryParameterAtItsOffset) {
    auto bytes = record("https://h/x?y=1", "名.txt", "/下载");
    xldl::utf8ToUtf16("https://ref/", &bytes[4172], 4168);
    xldl::utf8ToUtf16("a=b; c=d", &bytes[8340], 8192);
    bytes[18356] = 1;
    bytes[18364] = 1;
    xldl::TaskParams params = xldl::readTaskParams(bytes.data());
    EXPECT_EQ(params.url, "https://h/x?y=1");
    EXPECT_EQ(params.referrer, "https://ref/");
    EXPECT_EQ(params.cookies, "a=b; c=d");
    EXPECT_EQ(params.fileName, "名.txt");
    EXPECT_EQ(params.saveFolder, "/下载");
    EXPECT_TRUE(params.onlyOriginal);
    EXPECT_TRUE(params.disableAutoRename);
    EXPECT_FALSE(params.resume);
    EXPECT_FALSE(params.truncated);
}

TEST(TaskRecordsTest, AUrlFillingItsWholeMemberIsMarkedCut) {
    auto bytes = record("", "n", "/d");
    for (std::size_t unit = 0; unit < 2084; ++unit) bytes[4 + 2 * unit] = 'u';
    xldl::TaskParams params = xldl::readTaskParams(bytes.data());
    EXPECT_EQ(params.url, std::string(2084, 'u'));
    EXPECT_TRUE(params.truncated);
}

TEST(TaskRecordsTest, WritesTheInformationRecordWhole) {
    std::vector<unsigned char> info(xldl::kTaskInfoSize, 0xEE);
    xldl::TaskReport report;
    report.status = 3;
    report.fileName = "文件.zip";
    report.totalSize = 1LL << 33;
    report.downloaded = 5;
    report.percent = 0.25f;
    report.speed = 1536;
    xldl::writeTaskInfo(report, info.data());
    EXPECT_EQ(info[0], 3);
    EXPECT_EQ(xldl::utf16ToUtf8(&info[8], 520), "文件.zip");
    EXPECT_EQ(info[1048 + 4], 2);  // 2^33, little-endian
    EXPECT_EQ(info[1056], 5);
    EXPECT_EQ(info[1152], 0x00);
    EXPECT_EQ(info[1153], 0x06);
    EXPECT_EQ(info[1428], 0);
    xldl::TaskReport back = xldl::readTaskInfo(info.data());
    EXPECT_EQ(back.status, 3);
    EXPECT_EQ(back.fileName, "文件.zip");
    EXPECT_EQ(back.totalSize, 1LL << 33);
    EXPECT_EQ(back.percent, 0.25f);
    EXPECT_EQ(back.speed, 1536);
}

TEST(TaskRecordsTest, WrittenParametersReadBackWithTheReservedFive) {
    xldl::TaskParams params;
    params.url = "https://h/x";
    params.fileName = "名.txt";
    params.saveFolder = "/下载";
    params.cookies = "a=b";
    params.disableAutoRename = true;
    std::vector<unsigned char> bytes(xldl::kTaskParamSize, 0xEE);
    xldl::writeTaskParams(params, bytes.data());
    xldl::TaskParams back = xldl::readTaskParams(bytes.data());
    EXPECT_EQ(back.url, params.url);
    EXPECT_EQ(back.fileName, params.fileName);
    EXPECT_EQ(back.saveFolder, params.saveFolder);
    EXPECT_EQ(back.cookies, "a=b");
    EXPECT_EQ(back.referrer, "");
    EXPECT_TRUE(back.disableAutoRename);
    EXPECT_TRUE(back.resume);
    EXPECT_FALSE(back.onlyOriginal);
    EXPECT_FALSE(back.truncated);
    EXPECT_EQ(bytes[18360], 5);
    EXPECT_EQ(bytes[0], 0);  // the whole record is written
}

TEST(Utf16Test, RoundTripsAndCutsOnWholeCharacters) {
    unsigned char wide[10];
    xldl::utf8ToUtf16("a😀b", wide, sizeof wide);  // a, surrogate pair, b, zero
    EXPECT_EQ(xldl::utf16ToUtf8(wide, sizeof wide), "a😀b");
    unsigned char field[8];
    xldl::utf8ToUtf16("ab😀", field, sizeof field);  // the pair does not fit before the zero
    EXPECT_EQ(xldl::utf16ToUtf8(field, sizeof field), "ab");
    xldl::utf8ToUtf16("\xFF" "x", field, sizeof field);
    EXPECT_EQ(xldl::utf16ToUtf8(field, sizeof field), "\xEF\xBF\xBDx");
}

TEST(SafeNameTest, NamesCannotLeaveTheirFolder) {
    struct Case {
        std::string given, used;
    };
    const Case cases[] = {
        {"report.pdf", "report.pdf"},
        {"../../etc/passwd", ".._.._etc_passwd"},
        {"..", "__"},
        {".", "_"},
        {"", "download"},
        {"a\\b\nc", "a_b_c"},
        {"中文 名.zip", "中文 名.zip"},
    };
    for (const Case& c : cases) EXPECT_EQ(xldl::safeFileName(c.given), c.used) << c.given;
    std::string longName(300, 'x');
    EXPECT_EQ(xldl::safeFileName(longName).size(), 240u);
    std::string chinese;
    for (int k = 0; k < 100; ++k) chinese += "文";  // 3 bytes each
    EXPECT_EQ(xldl::safeFileName(chinese).size(), 240u);
    EXPECT_EQ(xldl::numberedName("a.tar.gz", 2), "a.tar(2).gz");
    EXPECT_EQ(xldl::numberedName("README", 1), "README(1)");
    EXPECT_EQ(xldl::numberedName(".hidden", 1), ".hidden(1)");
}

TEST(SegmentPlanTest, DividesAndHandsOverHalfOfTheLargestRemainder) {
    xldl::SegmentPlan plan;
    plan.reset(1000);
    xldl::Segment& first = plan.segments().front();
    first.busy = true;
    plan.divide(first, 4);
    std::vector<std::int64_t> ends;
    for (const auto& segment : plan.segments()) ends.push_back(segment.end);
    EXPECT_EQ(ends, (std::vector<std::int64_t>{250, 500, 750, 1000}));

    for (auto& segment : plan.segments()) {
        segment.busy = true;
        segment.done = segment.begin + 50;
    }
    plan.segments().back().done = 900;  // [900, 1000) left: the smallest remainder
    xldl::Segment* taken = plan.split(10);
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(taken->begin, 150);  // half of [50, 250)
    EXPECT_EQ(taken->end, 250);
    EXPECT_EQ(plan.segments().front().end, 150);
    EXPECT_EQ(plan.split(1000), nullptr);
    EXPECT_EQ(plan.completed(), 50 + 50 + 50 + 150);
}

TEST(WorkFilesTest, ProgressRoundTripsAndRejectsWhatDoesNotAddUp) {
    quarrow::testing::TempFolder folder;
    std::string path = (folder.path() / "x.td.cfg").string();
    xldl::SavedProgress saved{1000, {{0, 400, 500, false}, {500, 900, 1000, false}}};
    ASSERT_TRUE(xldl::saveProgress(path, saved, "http://h/x"));
    auto loaded = xldl::loadProgress(path);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->size, 1000);
    ASSERT_EQ(loaded->segments.size(), 2u);
    EXPECT_EQ(loaded->segments[1].done, 900);
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));

    const char* broken[] = {
        "quarrow-progress 1\nsize 1000\nsegment 0 400 500\n",            // a gap
        "quarrow-progress 1\nsize 1000\nsegment 0 600 500\nsegment 500 500 1000\n",  // done past end
        "something else\n",
        "quarrow-progress 1\nsize 1000\nsegment 0 x 1000\n",
    };
    for (const char* text : broken) {
        std::ofstream(path) << text;
        EXPECT_FALSE(xldl::loadProgress(path)) << text;
    }
    EXPECT_FALSE(xldl::loadProgress((folder.path() / "missing").string()));
}

}  // namespace
