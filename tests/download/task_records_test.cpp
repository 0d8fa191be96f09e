#include "download/task_records.h"

#include <gtest/gtest.h>

#include <cstring>

#include "download/wide_text.h"

namespace quarrow {
namespace {

struct Placement {
    const char* name;
    std::int32_t offset;
    std::int32_t width;
};

void expectLayout(const NativeStruct& buffer, std::int32_t size, std::initializer_list<Placement> expected) {
    EXPECT_EQ(buffer.size(), size);
    EXPECT_EQ(buffer.capacity(), size);  // laid out without growing
    ASSERT_EQ(buffer.members().size(), expected.size());
    std::size_t i = 0;
    for (const Placement& p : expected) {
        SCOPED_TRACE(p.name);
        const auto& member = buffer.members()[i++];
        EXPECT_EQ(member.name, p.name);
        EXPECT_EQ(member.offset, p.offset);
        EXPECT_EQ(member.size, p.width);
        EXPECT_EQ(buffer.findMember(p.name), static_cast<int>(i));  // no two names share a checksum
    }
}

TEST(TaskRecordsTest, ParameterRecordLayout) {
    TaskParamRecord record;
    ASSERT_NE(record.init("u", "n", "f"), nullptr);
    expectLayout(record.buffer(), 26564,
                 {{"nReserved", 0, 4},          {"szTaskUrl", 4, 4168},       {"szRefUrl", 4172, 4168},
                  {"szCookies", 8340, 8192},    {"szFilename", 16532, 520},   {"szReserved0", 17052, 520},
                  {"szSavePath", 17572, 520},   {"hReserved", 18092, 4},      {"bReserved", 18096, 4},
                  {"szReserved1", 18100, 128},  {"szReserved2", 18228, 128},  {"IsOnlyOriginal", 18356, 4},
                  {"nReserved1", 18360, 4},     {"DisableAutoRename", 18364, 4}, {"IsResume", 18368, 4},
                  {"reserved", 18372, 8192}});
}

TEST(TaskRecordsTest, InformationRecordLayout) {
    TaskInfoRecord record;
    ASSERT_NE(record.init(), nullptr);
    expectLayout(record.buffer(), 1429,
                 {{"stat", 0, 4},              {"fail_code", 4, 4},         {"szFilename", 8, 520},
                  {"szReserved0", 528, 520},   {"nTotalSize", 1048, 8},     {"nTotalDownload", 1056, 8},
                  {"fPercent", 1064, 4},       {"nReserved0", 1068, 4},     {"nSrcTotal", 1072, 4},
                  {"nSrcUsing", 1076, 4},      {"nReserved1", 1080, 4},     {"nReserved2", 1084, 4},
                  {"nReserved3", 1088, 4},     {"nReserved4", 1092, 4},     {"nReserved5", 1096, 8},
                  {"nDonationP2P", 1104, 8},   {"nReserved6", 1112, 8},     {"nDonationOrgin", 1120, 8},
                  {"nDonationP2S", 1128, 8},   {"nReserved7", 1136, 8},     {"nReserved8", 1144, 8},
                  {"nSpeed", 1152, 4},         {"nSpeedP2S", 1156, 4},      {"nSpeedP2P", 1160, 4},
                  {"bIsOriginUsable", 1164, 1}, {"fHashPercent", 1165, 4},  {"IsCreatingFile", 1169, 4},
                  {"reserved", 1173, 256}});
}

TEST(TaskRecordsTest, AFreshInformationRecordReadsStoppedAndEmpty) {
    TaskInfoRecord record;
    EXPECT_EQ(record.stat(), 0);  // no buffer yet: reads give 0
    EXPECT_EQ(record.stat(3), 0);
    record.init();
    EXPECT_EQ(record.stat(), 2);
    EXPECT_EQ(record.fail_code(), 0);
    EXPECT_EQ(record.szFilename(), "");
    EXPECT_EQ(record.nTotalSize(), 0);
    EXPECT_EQ(record.fPercent(), 0.0f);
    EXPECT_FALSE(record.bIsOriginUsable());
}

TEST(TaskRecordsTest, InformationAccessorsWriteLittleEndianAtTheirOffsets) {
    TaskInfoRecord record;
    record.init();
    EXPECT_EQ(record.nTotalSize(0x0102030405060708LL), 1);
    EXPECT_EQ(record.nSpeed(1536), 1);
    EXPECT_EQ(record.fPercent(0.5f), 1);
    EXPECT_EQ(record.IsCreatingFile(7), 1);
    EXPECT_EQ(record.szFilename("文件.zip"), "1");
    const unsigned char* base = record.address();
    EXPECT_EQ(base[1048], 0x08);
    EXPECT_EQ(base[1055], 0x01);
    EXPECT_EQ(base[1152], 0x00);
    EXPECT_EQ(base[1153], 0x06);
    EXPECT_EQ(base[1169], 7);
    EXPECT_EQ(record.nTotalSize(), 0x0102030405060708LL);
    EXPECT_EQ(record.fPercent(), 0.5f);
    EXPECT_EQ(record.szFilename(), "文件.zip");
    EXPECT_EQ(record.bIsOriginUsable(true), 1);
    EXPECT_EQ(base[1164], 1);
    EXPECT_TRUE(record.bIsOriginUsable());
}

TEST(TaskRecordsTest, ParameterInitDefaultsAndTheDownloadCommandsChoice) {
    TaskParamRecord record;
    record.init("http://h/a", "a.bin", "/d");
    const unsigned char* base = record.address();
    EXPECT_TRUE(record.IsResume());
    EXPECT_FALSE(record.DisableAutoRename());
    EXPECT_FALSE(record.IsOnlyOriginal());
    std::int32_t reserved1, resume, bReserved;
    std::memcpy(&reserved1, base + 18360, 4);
    std::memcpy(&resume, base + 18368, 4);
    std::memcpy(&bReserved, base + 18096, 4);
    EXPECT_EQ(reserved1, 5);
    EXPECT_EQ(resume, 1);
    EXPECT_EQ(bReserved, 0);

    record.init("http://h/a", "a.bin", "/d", "", "", false, true, true);
    EXPECT_TRUE(record.DisableAutoRename());
    EXPECT_TRUE(record.IsResume());
    EXPECT_EQ(record.szRefUrl(), "");
    EXPECT_EQ(record.szCookies(), "");
    record.init("u", "n", "f", "", "", true, false, false);
    EXPECT_TRUE(record.IsOnlyOriginal());
    EXPECT_FALSE(record.IsResume());
}

TEST(TaskRecordsTest, TextsAreUtf16AndLongOnesAreCutAtTheMemberWidth) {
    TaskParamRecord record;
    std::string url(2083, 'u');
    record.init(url, "中文名.txt", "/下载");
    const unsigned char* base = record.address();
    EXPECT_EQ(record.szTaskUrl(), url);
    EXPECT_EQ(base[4 + 2 * 2083], 0);  // the terminator fits
    EXPECT_EQ(record.szFilename(), "中文名.txt");
    EXPECT_EQ(base[16532], 0x2D);  // U+4E2D, low byte first
    EXPECT_EQ(base[16533], 0x4E);
    EXPECT_EQ(record.szSavePath(), "/下载");

    record.init(std::string(3000, 'v'), "n", "f");
    EXPECT_EQ(record.szTaskUrl(), std::string(2084, 'v'));  // read to the member's end
    EXPECT_EQ(record.address()[4172], 0);                    // the next member untouched
    EXPECT_EQ(record.szTaskUrl("short"), "1");
    EXPECT_EQ(record.szTaskUrl(), "short");
}

TEST(WideTextTest, RoundTripsGbkAndEndsAtTheFirstZeroUnit) {
    EXPECT_EQ(toWide("a中"), std::string("a\0\x2D\x4E\0\0", 6));
    EXPECT_EQ(fromWide(std::string("a\0b\0\0\0c\0", 8)), "ab");
    EXPECT_EQ(fromWide(toWide("下载文件夹")), "下载文件夹");
    EXPECT_EQ(fromWide(std::string("\x3D\xD8\x00\xDE", 4)), "?");  // an emoji GBK lacks
}

}  // namespace
}  // namespace quarrow
