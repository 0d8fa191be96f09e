// The engine's seven functions over the binary records, called as the
// program calls them.

#include "xldl_engine.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "task_records.h"
#include "utf16.h"

namespace {

// A task-parameter record with the texts and flags at their offsets.
std::vector<unsigned char> paramRecord(const std::string& url, const std::string& name, const std::string& folder) {
    std::vector<unsigned char> record(xldl::kTaskParamSize);
    xldl::utf8ToUtf16(url, &record[4], 4168);
    xldl::utf8ToUtf16(name, &record[16532], 520);
    xldl::utf8ToUtf16(folder, &record[17572], 520);
    record[18360] = 5;  // nReserved1
    record[18364] = 1;  // DisableAutoRename
    record[18368] = 1;  // IsResume
    return record;
}

std::int32_t int32At(const std::vector<unsigned char>& record, std::size_t offset) {
    std::int32_t value;
    std::memcpy(&value, &record[offset], sizeof value);
    return value;
}

std::int64_t int64At(const std::vector<unsigned char>& record, std::size_t offset) {
    std::int64_t value;
    std::memcpy(&value, &record[offset], sizeof value);
    return value;
}

class EngineApiTest : public ::testing::Test {
protected:
    void SetUp() override { XL_Init(); }
    void TearDown() override { XL_UnInit(); }

    // Queries the task; the record's stat, or -1 when the engine did not answer.
    int status(std::uint32_t task) {
        info.assign(xldl::kTaskInfoSize, 0xEE);
        return XL_QueryTaskInfoEx(task, info.data()) ? int32At(info, 0) : -1;
    }

    std::vector<unsigned char> info;
};

TEST_F(EngineApiTest, ATaskGoesFromStoppedToStartPendingAndBack) {
    auto record = paramRecord("http://127.0.0.1/a.bin", "文件.zip", "/tmp/d");
    std::uint32_t task = XL_CreateTask(record.data());
    ASSERT_NE(task, 0u);
    EXPECT_EQ(status(task), 2);
    EXPECT_EQ(xldl::utf16ToUtf8(&info[8], 520), "文件.zip");
    EXPECT_EQ(int32At(info, 4), 0);
    EXPECT_EQ(int64At(info, 1048), 0);
    EXPECT_EQ(int64At(info, 1056), 0);
    EXPECT_EQ(int32At(info, 1152), 0);
    EXPECT_EQ(info[1428], 0);  // the whole record is written, reserved bytes as zero

    EXPECT_EQ(XL_StartTask(task), 1);
    EXPECT_EQ(status(task), 5);
    EXPECT_EQ(XL_StopTask(task), 1);
    EXPECT_EQ(status(task), 2);
}

TEST_F(EngineApiTest, DeletedAndUnknownHandlesAreNotAnswered) {
    auto record = paramRecord("http://127.0.0.1/a", "a", "/tmp");
    std::uint32_t first = XL_CreateTask(record.data());
    std::uint32_t second = XL_CreateTask(record.data());
    EXPECT_NE(first, second);
    EXPECT_EQ(XL_DeleteTask(first), 1);

    for (std::uint32_t task : {first, 0u, 99999u}) {
        SCOPED_TRACE(task);
        EXPECT_EQ(status(task), -1);
        EXPECT_EQ(info[0], 0xEE);  // untouched
        EXPECT_EQ(XL_StartTask(task), 0);
        EXPECT_EQ(XL_StopTask(task), 0);
        EXPECT_EQ(XL_DeleteTask(task), 0);
    }
    EXPECT_EQ(status(second), 2);
    EXPECT_EQ(XL_CreateTask(nullptr), 0u);
}

TEST_F(EngineApiTest, UnInitForgetsEveryTask) {
    auto record = paramRecord("http://127.0.0.1/a", "a", "/tmp");
    std::uint32_t task = XL_CreateTask(record.data());
    XL_UnInit();
    XL_Init();
    EXPECT_EQ(status(task), -1);
    EXPECT_NE(XL_CreateTask(record.data()), task);  // handles are not reused
}

TEST(TaskRecordsTest, ReadsEveryParameterAtItsOffset) {
    auto record = paramRecord("https://h/x?y=1", "名.txt", "/下载");
    xldl::utf8ToUtf16("https://ref/", &record[4172], 4168);
    xldl::utf8ToUtf16("a=b; c=d", &record[8340], 8192);
    record[18356] = 1;
    record[18368] = 0;
    xldl::TaskParams params = xldl::readTaskParams(record.data());
    EXPECT_EQ(params.url, "https://h/x?y=1");
    EXPECT_EQ(params.referrer, "https://ref/");
    EXPECT_EQ(params.cookies, "a=b; c=d");
    EXPECT_EQ(params.fileName, "名.txt");
    EXPECT_EQ(params.saveFolder, "/下载");
    EXPECT_TRUE(params.onlyOriginal);
    EXPECT_TRUE(params.disableAutoRename);
    EXPECT_FALSE(params.resume);
}

TEST(TaskRecordsTest, ATextFillingItsWholeMemberIsReadToTheMemberEnd) {
    std::vector<unsigned char> record(xldl::kTaskParamSize);
    for (std::size_t unit = 0; unit < 2084; ++unit) record[4 + 2 * unit] = 'u';  // no zero unit
    record[4172] = 'r';                                                          // the next member
    EXPECT_EQ(xldl::readTaskParams(record.data()).url, std::string(2084, 'u'));
}

TEST(Utf16Test, RoundTripsAndCutsOnWholeCharacters) {
    unsigned char wide[10];
    xldl::utf8ToUtf16("a😀b", wide, sizeof wide);  // a, surrogate pair, b, zero
    EXPECT_EQ(xldl::utf16ToUtf8(wide, sizeof wide), "a😀b");
    unsigned char field[8];
    xldl::utf8ToUtf16("ab😀", field, sizeof field);  // the pair does not fit before the zero
    EXPECT_EQ(xldl::utf16ToUtf8(field, sizeof field), "ab");
    xldl::utf8ToUtf16("\xFF" "x", field, sizeof field);  // malformed UTF-8
    EXPECT_EQ(xldl::utf16ToUtf8(field, sizeof field), "\xEF\xBF\xBDx");
}

}  // namespace
