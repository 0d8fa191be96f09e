#include "services/gbk_text.h"

#include <gtest/gtest.h>

namespace quarrow {
namespace {

TEST(GbkTextTest, EqualsIgnoringCaseFoldsAsciiLettersOnly) {
    struct Case {
        std::string a, b;
        bool equal;
    };
    const Case cases[] = {
        {"ABC.txt", "abc.TXT", true},
        {"", "", true},
        {"ab", "abc", false},
        {"中文A", "中文a", true},
        // Trail bytes that look like letters are compared exactly.
        {"\x81\x41", "\x81\x61", false},
        {"\x81\x41", "\x81\x41", true},
        {"[", "{", false},
    };
    for (const Case& c : cases) EXPECT_EQ(gbkEqualsIgnoreCase(c.a, c.b), c.equal) << c.a << " / " << c.b;
}

TEST(GbkTextTest, TruncateKeepsWholeCharacters) {
    EXPECT_EQ(gbkTruncate("ab中文", 3), "ab");
    EXPECT_EQ(gbkTruncate("ab中文", 4), "ab中");
    EXPECT_EQ(gbkTruncate("abc", 10), "abc");
    EXPECT_EQ(gbkTruncate("a\x81", 2), "a\x81");  // a lone lead byte at the end counts as one
}

}  // namespace
}  // namespace quarrow
