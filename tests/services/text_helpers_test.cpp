#include "services/text_helpers.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <limits>

namespace quarrow {
namespace {

// Narrow literals are GBK: "文件" is the bytes CE C4 BC FE.

TEST(TextHelpersTest, DecodeEscapes) {
    struct Case {
        std::string text, decoded;
    };
    const Case cases[] = {
        {"\\/\\u6587\\u4ef6", "/文件"},
        {"\\/share\\/\\u65b0\\u5efa\\u6587\\u4ef6\\u5939", "/share/新建文件夹"},
        {"it's", "it's"},
        {"\\'quoted\\'", "'quoted'"},
        {"line one\r\nline two\r\n", "line one\r\nline two\r\n"},
        {"\rleading CR", "leading CR"},
        {"%41%u6587%e9", "A文é"},
        {"\\x41\\t\\\\", "A\t\\"},
        {"100% and %zz", "100% and %zz"},
        // A surrogate pair is one character (GBK lacks it); a lone half is
        // not a character at all.
        {"\\ud83d\\ude00!", "?!"},
        {"a\\ud800b", "a?b"},
        // Text that is already plain, Chinese included, passes unchanged; a
        // trail byte equal to "\" is part of its character, not an escape.
        {"文件名.txt", "文件名.txt"},
        {"\x95\x5Cu6587", "\x95\x5Cu6587"},
        // The stand-ins used while reading: "’" comes back as "'", "{$}" as
        // CR LF.
        {"a’b{$}c", "a'b\r\nc"},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(decodeEscapes(c.text), c.decoded);
    }
}

TEST(TextHelpersTest, DecodeEscapesKeepsWhatAQuotedStringCouldNotHold) {
    // A JavaScript engine would refuse these; they come back unharmed.
    EXPECT_EQ(decodeEscapes("a\nb"), "a\nb");
    EXPECT_EQ(decodeEscapes("a\rb\\u0041"), "a\rbA");
    EXPECT_EQ(decodeEscapes("ends with \\"), "ends with \\");
    EXPECT_EQ(decodeEscapes("\\x4"), "x4");
    EXPECT_EQ(decodeEscapes("\\user"), "%user");
}

TEST(TextHelpersTest, DecodeStringLiteral) {
    EXPECT_EQ(decodeStringLiteral("a\\u0062\\x63\\n\\'\\\"\\/\\101\\0"), std::string("abc\n'\"/A\0", 9));
    EXPECT_EQ(decodeStringLiteral("\\ud83d\\ude00"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(decodeStringLiteral("\\udc00"), "\xEF\xBF\xBD");
    EXPECT_EQ(decodeStringLiteral("line\\\r\ncontinued"), "linecontinued");
}

TEST(TextHelpersTest, UrlEncode) {
    struct Case {
        std::string text;
        bool keepUnreserved, asUtf8;
        std::string encoded;
    };
    const Case cases[] = {
        {"/a", false, true, "%2F%61"},
        {"我", false, true, "%E6%88%91"},
        {"我", false, false, "%CE%D2"},
        {"/A/B", false, true, "%2F%41%2F%42"},
        {"az-AZ.09/_~ ", true, false, "az-AZ.09%2F%5F%7E%20"},
        {"", false, true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(urlEncode(c.text, c.keepUnreserved, c.asUtf8), c.encoded);
    }
}

TEST(TextHelpersTest, UrlDecode) {
    struct Case {
        std::string text;
        bool fromUtf8;
        std::string decoded;
    };
    const Case cases[] = {
        {"%2F%61", false, "/a"},
        {"%e6%88%91", true, "我"},
        {"%E6%88%91", false, "\xE6\x88\x91"},
        {"%2F%E6%96%87%E4%BB%B6", true, "/文件"},
        {"a+b%20c", false, "a+b c"},
        {"100%", false, "100%"},
        {"%zz%4", false, "%zz%4"},
        {"%%41", false, "%A"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(urlDecode(c.text, c.fromUtf8), c.decoded);
    }
    EXPECT_EQ(urlDecode(urlEncode("/新建文件夹/a b", false, true), true), "/新建文件夹/a b");
}

TEST(TextHelpersTest, FormatSize) {
    struct Case {
        double bytes;
        std::string text;
    };
    const Case cases[] = {
        {0, "0 B"},
        {1023, "1023 B"},
        {1536, "1.5 KB"},
        {5000000, "4.77 MB"},
        {3221225472.0, "3 GB"},
        {2199023255552.0, "2048 GB"},
        // Exactly one unit.
        {1024, "1 KB"},
        {1048576, "1 MB"},
        {1073741824.0, "1 GB"},
        // Half up, not to even: 2176 bytes are 2.125 KB.
        {2176, "2.13 KB"},
        {1034, "1.01 KB"},
        {1029, "1 KB"},
        {1048575, "1024 KB"},
        {-5, "-5 B"},
        {std::numeric_limits<double>::quiet_NaN(), "0 B"},
        {std::numeric_limits<double>::infinity(), "0 B"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(formatSize(c.bytes), c.text);
    }
}

TEST(TextHelpersTest, RandomStamp) {
    std::string first = randomStamp();
    ASSERT_EQ(first.size(), 17u);
    EXPECT_EQ(first.substr(0, 2), "0.");
    for (char c : first.substr(2)) EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(c))) << first;
    EXPECT_NE(randomStamp(), first);
}

}  // namespace
}  // namespace quarrow
