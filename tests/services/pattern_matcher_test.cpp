#include "services/pattern_matcher.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <utility>

namespace quarrow {
namespace {

// The pattern that cuts the file records out of a share page's script data.
const std::string kRecordPattern =
    R"re({"fs_id":([\s\S]*?),"app_id[\s\S]*?server_filename":"([\s\S]*?)","size":([\s\S]*?),"[\s\S]*?path":"([\s\S]*?)")re";

std::string fileRecord(int number) {
    char record[400];
    std::snprintf(record, sizeof record,
                  R"({"fs_id":%d,"app_id":"250528","parent_path":"%%2F","server_filename":"\u8d44\u6599_%04d.zip",)"
                  R"("size":%d,"category":6,"isdir":0,"server_mtime":1520000000,)"
                  R"("path":"\/\u8d44\u6599\/\u8d44\u6599_%04d.zip","md5":"0123456789abcdef0123456789abcdef"})",
                  700000000 + number, number, number * 1024, number);
    return record;
}

// A share page whose script data lists count files, with Chinese text before
// the records.
std::string sharePage(int count) {
    std::string page = "<!DOCTYPE html><html><head><title>资料分享 - 网盘</title></head><body>\r\n<script>"
                       R"(yunData.setData({"shareid":3344556677,"uk":1122,"file_list":{"errno":0,"list":[)";
    for (int i = 1; i <= count; ++i) {
        if (i > 1) page += ',';
        page += fileRecord(i);
    }
    page += R"(]}});)" "\r\n" R"(yunData.setData({"sign":"9f8e7d","timestamp":1520000000});)"
            "\r\nyunData.getContext = function () {};\r\n</script></body></html>";
    return page;
}

TEST(PatternMatcherTest, SplitsAClipboardTextIntoLinkAndPassword) {
    const std::string clipboard =
        "链接：https://pan.example.com/s/1Ab*Cd \r\n\t密码：k7 q2　\n--来自网盘超级会员的分享";
    PatternMatcher m;
    ASSERT_TRUE(m.execute(R"([^\n\s*\r])", clipboard));
    std::string squeezed;
    for (int i = 1; i <= m.matchCount(); ++i) squeezed += m.matchText(i);
    EXPECT_EQ(squeezed, "链接：https://pan.example.com/s/1AbCd密码：k7q2--来自网盘超级会员的分享");

    ASSERT_TRUE(m.execute(R"(链接：([\s\S]*?)密码：(.*))", squeezed));
    EXPECT_EQ(m.matchCount(), 1);
    EXPECT_EQ(m.groupCount(), 2);
    EXPECT_EQ(m.groupText(1, 1), "https://pan.example.com/s/1AbCd");
    EXPECT_EQ(m.groupText(1, 2), "k7q2--来自网盘超级会员的分享");
}

TEST(PatternMatcherTest, PatternFeatures) {
    struct Case {
        const char* what;
        std::string pattern, subject;
        int count;
        std::string match1, group1;
    };
    const Case cases[] = {
        {"lazy span takes the shortest text", R"(a([\s\S]*?)b)", "a1\nb a22b", 2, "a1\nb", "1\n"},
        {"lazy span between Chinese markers", R"(链接：([\s\S]*?)密码：)", "链接：甲乙密码：链接：丙密码：", 2,
         "链接：甲乙密码：", "甲乙"},
        {"greedy repetition backs off to the last slash", "(.*)/", "/我的资源/子目录/说明.txt", 1,
         "/我的资源/子目录/", "/我的资源/子目录"},
        {"dot stops at a line feed", "BDCLND=(.*)", "BDCLND=v1; STOKEN=t2\nPANPSC=x", 1, "BDCLND=v1; STOKEN=t2",
         "v1; STOKEN=t2"},
        {"dot takes a carriage return", "a(.)b", "a\rb a\nb", 1, "a\rb", "\r"},
        {"escaped slash, question mark and ampersand", R"re(="\/share\/home\?uk=([\s\S]*?)\&)re",
         R"(<a href="/share/home?uk=2841&view=share">主页</a>)", 1, R"(="/share/home?uk=2841&)", "2841"},
        {"escaped parenthesis", R"(\(([\s\S]*?)yunData.setData)", "yunData.setData({\"x\":1});\nyunData.setData({})",
         1, "({\"x\":1});\nyunData.setData", "{\"x\":1});\n"},
        {"brace that starts no repetition count", R"re({"fs_id":([\s\S]*?),)re",
         R"([{"fs_id":42,"isdir":1},{"fs_id":43,"isdir":0}])", 2, R"({"fs_id":42,)", "42"},
        {"pattern starting with a quote", R"re("errno":([\s\S]*?),"err_msg)re",
         R"({"errno":-9,"err_msg":"","request_id":1})", 1, R"("errno":-9,"err_msg)", "-9"},
        {"negated class with escapes", R"([^\n\s*\r])", "a *\r\n中", 2, "a", ""},
        {"letter case ignored", "bdclnd=(.*)", "BDCLND=Ab", 1, "BDCLND=Ab", "Ab"},
        {"case ignored beyond ASCII", "αβ(γ)", "ΑΒΓ", 1, "ΑΒΓ", "Γ"},
        {"ASCII colons are not the full-width markers", "链接：(.*)", "链接:abc", 0, "", ""},
        {"character by code", R"(\u94FE接：(\S+))", "链接：x", 1, "链接：x", "x"},
        {"escaped letter without a meaning is the letter", R"(a\yb)", "ayb", 1, "ayb", ""},
        {"\\C is the letter, never a single byte", R"(\C)", "中c", 1, "c", ""},
        {"back reference to a group that took no part", R"((x)?a\1b)", "ab", 1, "ab", ""},
    };
    for (const Case& c : cases) {
        PatternMatcher m;
        ASSERT_TRUE(m.execute(c.pattern, c.subject)) << c.what;
        EXPECT_EQ(m.matchCount(), c.count) << c.what;
        EXPECT_EQ(m.matchText(1), c.match1) << c.what;
        EXPECT_EQ(m.groupText(1, 1), c.group1) << c.what;
    }
}

TEST(PatternMatcherTest, OptionsForCaseLinesAndGlobal) {
    struct Case {
        std::string pattern, subject;
        bool caseSensitive, multiline, global;
        int count;
        std::string match1;
    };
    const Case cases[] = {
        {"abc", "ABC", false, true, true, 1, "ABC"},
        {"abc", "ABC", true, true, true, 0, ""},
        {"abc", "ABC abc", true, true, true, 1, "abc"},
        {"^k=(.*)$", "k=1\nk=2", false, true, true, 2, "k=1"},
        {"^k=(.*)$", "k=1\nk=2", false, false, true, 0, ""},
        {"^k=.", "k=1\nk=2", false, false, true, 1, "k=1"},
        // Without multi-line, $ is the very end, not the place before a final line feed.
        {"k=2$", "k=1\nk=2\n", false, false, true, 0, ""},
        {"k=2$", "k=1\nk=2\n", false, true, true, 1, "k=2"},
        {"[0-9]", "1a2b3", false, true, true, 3, "1"},
        {"[0-9]", "1a2b3", false, true, false, 1, "1"},
        {"x*", "abc", false, true, true, 4, ""},
        {"", "中文", false, true, true, 3, ""},
        {"b*", "abbc", false, true, true, 4, ""},
    };
    for (const Case& c : cases) {
        PatternMatcher m;
        ASSERT_TRUE(m.execute(c.pattern, c.subject, c.caseSensitive, c.multiline, c.global)) << c.pattern;
        EXPECT_EQ(m.matchCount(), c.count) << c.pattern << " over " << c.subject;
        EXPECT_EQ(m.matchText(1), c.match1) << c.pattern << " over " << c.subject;
    }
}

TEST(PatternMatcherTest, EmptyMatchesStepOverWholeCharacters) {
    PatternMatcher m;
    ASSERT_TRUE(m.execute("b*", "中bb文"));
    // At 0 (empty), "bb", at 4 (empty, before 文), at the end.
    ASSERT_EQ(m.matchCount(), 4);
    int position = 0;
    EXPECT_EQ(m.matchText(2, &position), "bb");
    EXPECT_EQ(position, 2);
    EXPECT_EQ(m.matchText(3, &position), "");
    EXPECT_EQ(position, 4);
    EXPECT_EQ(m.matchText(4, &position), "");
    EXPECT_EQ(position, 6);

    // After an empty match, a non-empty one at the same place comes first.
    ASSERT_TRUE(m.execute("x*|b", "abc"));
    ASSERT_EQ(m.matchCount(), 5);
    EXPECT_EQ(m.matchText(3, &position), "b");
    EXPECT_EQ(position, 1);
}

TEST(PatternMatcherTest, PositionsAreByteOffsetsIntoTheSubject) {
    struct Case {
        std::string pattern, subject;
        int match, group;  // group 0: the whole match
        std::string text;
        int position;
    };
    const Case cases[] = {
        {"值=(.*)", "前言：值=数据", 1, 1, "数据", 9},
        {"值=(.*)", "前言：值=数据", 1, 0, "值=数据", 6},
        // A search for the text from the match's character index (4) would
        // find match 1 at byte 6.
        {"a", "中中中aa", 2, 0, "a", 7},
        {"(a)b(a)", "中文aba", 1, 2, "a", 6},
        {"", "中文", 2, 0, "", 2},
        // Groups in look-arounds reach beyond their match, or before the previous one.
        {"中(?=(文中文))", "中文中文中文", 2, 1, "文中文", 6},
        {"(?<=(文)|(中文a))[ab]", "中文ab", 1, 1, "文", 2},
        {"(?<=(文)|(中文a))[ab]", "中文ab", 2, 2, "中文a", 0},
        {"(?<=(文)|(中文a))[ab]", "中文ab", 2, 0, "b", 5},
        // Bytes that are not GBK count one each; 0x80 is a character of its own.
        {"x", "\xFF中x", 1, 0, "x", 3},
        {"x", "\x80中x", 1, 0, "x", 3},
        {"x", "a\x81\x0Ax", 1, 0, "x", 3},
        // Nothing behind the index, or a group that took no part.
        {"(a)|(b)", "b", 1, 1, "", -1},
        {"a", "b", 1, 0, "", -1},
        {"a", "a", 2, 0, "", -1},
    };
    for (const Case& c : cases) {
        PatternMatcher m;
        ASSERT_TRUE(m.execute(c.pattern, c.subject)) << c.pattern;
        int position = 12345;
        std::string text = c.group == 0 ? m.matchText(c.match, &position) : m.groupText(c.match, c.group, &position);
        EXPECT_EQ(text, c.text) << c.pattern << " over " << c.subject;
        EXPECT_EQ(position, c.position) << c.pattern << " over " << c.subject;
    }
}

TEST(PatternMatcherTest, AbsentMatchesAndGroupsReadAsEmptyText) {
    PatternMatcher m;
    EXPECT_EQ(m.matchCount(), 0);
    EXPECT_EQ(m.matchText(1), "");
    EXPECT_EQ(m.groupText(1, 1), "");
    EXPECT_EQ(m.groupCount(), 0);
    EXPECT_EQ(m.pattern(), "");
    EXPECT_EQ(m.replace("x"), "");

    ASSERT_TRUE(m.execute(R"re("sign":"([\s\S]*?)")re", "没有签名的页面"));
    EXPECT_EQ(m.matchCount(), 0);
    EXPECT_EQ(m.groupText(1, 1), "");
    EXPECT_EQ(m.groupCount(), 0);

    ASSERT_TRUE(m.execute("(a)|(b)(c)?", "a b"));
    ASSERT_EQ(m.matchCount(), 2);
    EXPECT_EQ(m.groupCount(), 3);
    EXPECT_EQ(m.groupText(1, 1), "a");
    EXPECT_EQ(m.groupText(1, 2), "");
    EXPECT_EQ(m.groupText(2, 1), "");
    EXPECT_EQ(m.groupText(2, 2), "b");
    EXPECT_EQ(m.groupText(2, 3), "");
    const std::pair<int, int> missing[] = {{0, 1}, {3, 1}, {-1, 1}, {1, 0}, {1, 4}, {1, -2}};
    for (auto [match, group] : missing) EXPECT_EQ(m.groupText(match, group), "") << match << "," << group;
    EXPECT_EQ(m.matchText(0), "");
    EXPECT_EQ(m.matchText(3), "");
}

TEST(PatternMatcherTest, RejectedPatternLeavesNoMatches) {
    for (const std::string bad : {"(abc", "[a-", "a{2,1}", "*a", "a)", "(?<n>a)(?<n>b)"}) {
        PatternMatcher m;
        ASSERT_TRUE(m.execute("(a)", "aaa"));
        ASSERT_EQ(m.matchCount(), 3);
        EXPECT_FALSE(m.execute(bad, "aaa")) << bad;
        EXPECT_EQ(m.matchCount(), 0) << bad;
        EXPECT_EQ(m.matchText(1), "") << bad;
        EXPECT_EQ(m.groupText(1, 1), "") << bad;
        EXPECT_EQ(m.groupCount(), 0) << bad;
        EXPECT_EQ(m.replace("x"), "") << bad;
        EXPECT_EQ(m.pattern(), bad);
    }
}

TEST(PatternMatcherTest, RunawayPatternsFailCleanly) {
    struct Case {
        const char* what;
        std::string pattern, subject;
    };
    const Case cases[] = {
        {"exponential backtracking", "^(a|a)*$", std::string(40, 'a') + "b"},
        {"a repeated group over a long subject", "(x|y)*end", std::string(600 * 1024, 'x') + "end"},
    };
    for (const Case& c : cases) {
        PatternMatcher m;
        auto started = std::chrono::steady_clock::now();
        EXPECT_FALSE(m.execute(c.pattern, c.subject)) << c.what;
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5)) << c.what;
        EXPECT_EQ(m.matchCount(), 0) << c.what;
        // The instance stays usable.
        EXPECT_TRUE(m.execute("x", "x")) << c.what;
        EXPECT_EQ(m.matchCount(), 1) << c.what;
    }
}

TEST(PatternMatcherTest, ReadsEveryRecordOfALargePage) {
    const int records = 5000;
    const std::string page = sharePage(records);
    ASSERT_GE(page.size(), 1u << 20);
    PatternMatcher m;
    ASSERT_TRUE(m.execute(kRecordPattern, page));
    ASSERT_EQ(m.matchCount(), records);
    EXPECT_EQ(m.groupCount(), 4);
    for (int i : {1, 2, 2500, records}) {
        char number[16];
        std::snprintf(number, sizeof number, "%04d", i);
        EXPECT_EQ(m.groupText(i, 1), std::to_string(700000000 + i));
        EXPECT_EQ(m.groupText(i, 2), std::string(R"(\u8d44\u6599_)") + number + ".zip");
        EXPECT_EQ(m.groupText(i, 3), std::to_string(i * 1024));
        EXPECT_EQ(m.groupText(i, 4), std::string(R"(\/\u8d44\u6599\/\u8d44\u6599_)") + number + ".zip");
    }
    int position = 0;
    m.matchText(records, &position);
    EXPECT_EQ(position, static_cast<int>(page.rfind(R"({"fs_id")")));

    // One lazy span over nearly the whole page.
    ASSERT_TRUE(m.execute(R"(yunData.setData([\s\S]*?)yunData.getContext)", page));
    ASSERT_EQ(m.matchCount(), 1);
    std::string block = m.groupText(1, 1);
    EXPECT_GT(block.size(), page.size() - 200);
    EXPECT_EQ(block.substr(block.size() - 2), "\r\n");
}

TEST(PatternMatcherTest, ExecuteReplacesEarlierResultsAndCopiesKeepTheirs) {
    PatternMatcher m;
    ASSERT_TRUE(m.execute("(a)(b)", "ab ab"));
    PatternMatcher copy = m;
    PatternMatcher assigned;
    assigned = m;
    ASSERT_TRUE(m.execute("密码：(.*)", "密码：1234"));

    EXPECT_EQ(m.matchCount(), 1);
    EXPECT_EQ(m.groupCount(), 1);
    EXPECT_EQ(m.groupText(1, 1), "1234");
    EXPECT_EQ(m.groupText(1, 2), "");
    EXPECT_EQ(m.replace("[$1]"), "[1234]");
    for (const PatternMatcher* earlier : {&copy, &assigned}) {
        EXPECT_EQ(earlier->pattern(), "(a)(b)");
        EXPECT_EQ(earlier->matchCount(), 2);
        EXPECT_EQ(earlier->groupText(2, 2), "b");
        EXPECT_EQ(earlier->replace("$2$1"), "ba ba");
    }
}

TEST(PatternMatcherTest, ReplaceSubstitutesGroupsAndMarkers) {
    struct Case {
        std::string pattern, subject, replacement;
        bool global;
        std::string result;
    };
    const Case cases[] = {
        {"(\\w+)=(\\w+)", "a=1;b=2", "$2=$1", true, "1=a;2=b"},
        {"(\\w+)=(\\w+)", "a=1;b=2", "$2=$1", false, "1=a;b=2"},
        {"值", "旧值和值", "数", true, "旧数和数"},
        {"b", "abc", "[$&|$`|$']", true, "a[b|a|c]c"},
        {"b", "abc", "$$1 $0 $ $x", true, "a$1 $0 $ $xc"},
        // "$12" with one group is group 1 followed by "2"; "$01" is group 1.
        {"(b)", "abc", "$12 $01", true, "ab2 bc"},
        {"(x)?b", "abc", "<$1>", true, "a<>c"},
        {"z", "abc", "-", true, "abc"},
        {"x*", "ab", "-", true, "-a-b-"},
        {"：(.*)", "密码：旧", "：$1新", true, "密码：旧新"},
    };
    for (const Case& c : cases) {
        PatternMatcher m;
        ASSERT_TRUE(m.execute(c.pattern, c.subject, false, true, c.global)) << c.pattern;
        EXPECT_EQ(m.replace(c.replacement), c.result) << c.pattern << " -> " << c.replacement;
    }
}

TEST(PatternMatcherTest, ExpandsQuoteWordOnlyWhenAsked) {
    const std::string reply = R"({"vcode_str":"3a7f","vcode_img":"https:\/\/img.example.com\/c?x=1"})";
    PatternMatcher m;
    ASSERT_TRUE(m.execute("#引号vcode_str#引号:#引号([\\s\\S]*?)#引号", reply, false, true, true, true));
    EXPECT_EQ(m.pattern(), R"re("vcode_str":"([\s\S]*?)")re");
    EXPECT_EQ(m.groupText(1, 1), "3a7f");

    ASSERT_TRUE(m.execute("#引号vcode_str#引号:#引号([\\s\\S]*?)#引号", reply));
    EXPECT_EQ(m.matchCount(), 0);
    EXPECT_EQ(m.pattern(), "#引号vcode_str#引号:#引号([\\s\\S]*?)#引号");
}

TEST(PatternMatcherTest, TextsEndAtTheirFirstZeroByte) {
    PatternMatcher m;
    ASSERT_TRUE(m.execute(std::string("a\0b", 3), std::string("xa\0b ab", 7)));
    EXPECT_EQ(m.pattern(), "a");
    EXPECT_EQ(m.matchCount(), 1);
    EXPECT_EQ(m.replace(std::string("[$&]\0tail", 9)), "x[a]");
}

}  // namespace
}  // namespace quarrow
