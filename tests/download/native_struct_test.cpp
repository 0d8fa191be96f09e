#include "download/native_struct.h"

#include <gtest/gtest.h>

#include "download/crc32.h"

namespace quarrow {
namespace {

std::string bytes(const NativeStruct& buffer, std::int32_t from, std::int32_t count) {
    return std::string(reinterpret_cast<const char*>(buffer.address()) + from, static_cast<std::size_t>(count));
}

TEST(Crc32Test, IsTheStandardChecksum) {
    EXPECT_EQ(crc32(""), 0u);
    EXPECT_EQ(crc32("123456789"), 0xCBF43926u);
    EXPECT_EQ(crc32("stat"), crc32("st" "at"));
}

TEST(NativeStructTest, CreateGivesAZeroFilledDefaultBlock) {
    NativeStruct buffer;
    EXPECT_EQ(buffer.address(), nullptr);
    ASSERT_NE(buffer.create(), nullptr);
    EXPECT_EQ(buffer.capacity(), 1024);
    EXPECT_EQ(buffer.size(), 0);
    EXPECT_EQ(bytes(buffer, 0, 1024), std::string(1024, '\0'));
    // Alignment 1: members follow one another without padding.
    ASSERT_TRUE(buffer.addMember("a", 3, "xyz"));
    ASSERT_TRUE(buffer.addMember("b", 1));
    EXPECT_EQ(buffer.members()[1].offset, 3);
    EXPECT_EQ(buffer.size(), 4);
}

TEST(NativeStructTest, AlignmentPadsEachMemberWithTheFillByte) {
    NativeStruct buffer;
    buffer.create(4);
    ASSERT_TRUE(buffer.addMember("flag", 1, "\x01"));
    ASSERT_TRUE(buffer.addMember("next", 4, "\x02\x03\x04\x05"));
    EXPECT_EQ(buffer.members()[1].offset, 4);
    EXPECT_EQ(bytes(buffer, 0, 8), "\x01\xCC\xCC\xCC\x02\x03\x04\x05");
    EXPECT_EQ(buffer.size(), 8);

    NativeStruct custom;
    custom.create(2, 0x1AB);  // the low byte of the fill argument counts
    custom.addMember("odd", 1);
    EXPECT_EQ(bytes(custom, 0, 2), std::string("\0\xAB", 2));
}

TEST(NativeStructTest, AWideMemberGrowsTheBlockInStepsKeepingEarlierBytes) {
    NativeStruct buffer;
    buffer.create();
    ASSERT_TRUE(buffer.addMember("head", 100, "HEAD"));
    ASSERT_TRUE(buffer.addMember("wide", 3000));
    EXPECT_EQ(buffer.capacity(), 4096);  // 100 + 3000 bytes need three rounds of 1024
    EXPECT_EQ(buffer.getMember("head").substr(0, 4), "HEAD");
    EXPECT_EQ(buffer.getMember("wide"), std::string(3000, '\0'));

    NativeStruct exact;
    exact.create();
    ASSERT_TRUE(exact.addMember("wide", 3000));
    EXPECT_EQ(exact.capacity(), 3072);
}

TEST(NativeStructTest, ValuesAreCutToTheMemberOrLeaveTheRestAlone) {
    NativeStruct buffer;
    buffer.create();
    ASSERT_TRUE(buffer.addMember("m", 4, "123456"));
    ASSERT_TRUE(buffer.addMember("after", 2, "zz"));
    EXPECT_EQ(buffer.getMember("m"), "1234");
    EXPECT_TRUE(buffer.setMember("m", "ab"));
    EXPECT_EQ(buffer.getMember("m"), "ab34");
    EXPECT_TRUE(buffer.setMember("m", "ABCDEFG"));
    EXPECT_EQ(buffer.getMember("m"), "ABCD");
    EXPECT_EQ(buffer.getMember("after"), "zz");

    NativeStruct shortStart;
    shortStart.create();
    shortStart.addMember("m", 4, "ab");
    EXPECT_EQ(shortStart.getMember("m"), std::string("ab\0\0", 4));
}

TEST(NativeStructTest, UnknownAndDuplicateNames) {
    NativeStruct buffer;
    EXPECT_FALSE(buffer.addMember("early", 4));  // no block yet
    buffer.create();
    ASSERT_TRUE(buffer.addMember("name", 4, "1111"));
    EXPECT_FALSE(buffer.addMember("name", 8, "2222"));
    EXPECT_EQ(buffer.size(), 4);
    EXPECT_EQ(buffer.getMember("name"), "1111");
    EXPECT_EQ(buffer.findMember("name"), 1);
    EXPECT_EQ(buffer.findMember("other"), 0);
    EXPECT_EQ(buffer.getMember("other"), "");
    EXPECT_FALSE(buffer.setMember("other", "x"));
    EXPECT_FALSE(buffer.addMember("negative", -1));
}

TEST(NativeStructTest, ReleaseEmptiesTheBuffer) {
    NativeStruct buffer;
    EXPECT_FALSE(buffer.release());
    buffer.create();
    buffer.addMember("m", 4);
    EXPECT_TRUE(buffer.release());
    EXPECT_EQ(buffer.size(), 0);
    EXPECT_EQ(buffer.address(), nullptr);
    EXPECT_EQ(buffer.findMember("m"), 0);
    EXPECT_FALSE(buffer.release());
}

}  // namespace
}  // namespace quarrow
