#include "services/charset.h"

#include <gtest/gtest.h>

namespace quarrow {
namespace {

// "中文" in both encodings.
const std::string kUtf8Chinese = "\xE4\xB8\xAD\xE6\x96\x87";
const std::string kGbkChinese = "\xD6\xD0\xCE\xC4";

TEST(CharsetTest, ConvertsBetweenUtf8AndGbk) {
    EXPECT_EQ(utf8ToGbk(kUtf8Chinese), kGbkChinese);
    EXPECT_EQ(gbkToUtf8(kGbkChinese), kUtf8Chinese);
    EXPECT_EQ(utf8ToGbk(""), "");
    EXPECT_EQ(utf8ToGbk("plain ASCII, <tags> & 100%"), "plain ASCII, <tags> & 100%");
}

TEST(CharsetTest, InvalidInputNeverLosesAnAsciiByte) {
    // A stray continuation byte, a cut-off sequence and a character GBK lacks.
    EXPECT_EQ(utf8ToGbk("a\x80" "b"), "a?b");
    EXPECT_EQ(utf8ToGbk("ab\xE4\xB8"), "ab??");
    EXPECT_EQ(utf8ToGbk("x\xF0\x9F\x98\x80y"), "x?y");
    // A GBK lead byte followed by a byte that cannot trail it.
    EXPECT_EQ(gbkToUtf8("a\x81\x0A" "b"), "a\xEF\xBF\xBD\nb");
}

TEST(CharsetTest, ConvertCharsetFillsInDefaultNamesAndSkips) {
    std::string source, target;
    EXPECT_EQ(convertCharset(kUtf8Chinese, source, target), kGbkChinese);
    EXPECT_EQ(source, "UTF-8");
    EXPECT_EQ(target, "GBK");
    EXPECT_EQ(convertCharset(kUtf8Chinese, source, target, 2), "\xCE\xC4");
    std::string gbk = "GBK", utf8 = "utf-8";
    EXPECT_EQ(convertCharset(kGbkChinese, gbk, utf8), kUtf8Chinese);
}

}  // namespace
}  // namespace quarrow
