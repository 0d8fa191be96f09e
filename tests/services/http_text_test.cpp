#include "services/http_text.h"

#include <gtest/gtest.h>

namespace quarrow {
namespace {

TEST(HttpTextTest, UrlParts) {
    struct Case {
        std::string url, host;
        int port;
        std::string path;
    };
    const Case cases[] = {
        {"http://Pan.Example.com/s/1abc?x=Y", "pan.example.com", 80, "/s/1abc?x=Y"},
        {"https://pan.example.com/share/verify?a=1", "pan.example.com", 443, "/share/verify?a=1"},
        {"pan.example.com/path?q=1", "pan.example.com", 80, "/path?q=1"},
        {"HTTPS://host:8443/x", "host", 8443, "/x"},
        {"https://host:8443", "host", 8443, "/"},
        {"http://127.0.0.1:8080/a/b", "127.0.0.1", 8080, "/a/b"},
        // A schemeless URL with "http://" in its query is still plain http to its own host.
        {"host/go?to=http://elsewhere/", "host", 80, "/go?to=http://elsewhere/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        EXPECT_EQ(urlHost(c.url), c.host);
        EXPECT_EQ(urlPort(c.url), c.port);
        EXPECT_EQ(urlPath(c.url), c.path);
    }
    EXPECT_EQ(urlHost("https://a.pan.example.com:81/x", true, true), "example.com:81");
    EXPECT_EQ(urlHost("http://localhost/x", true), "localhost");
    EXPECT_EQ(urlHost("https://host:8443/x", false, true), "host:8443");
}

TEST(HttpTextTest, TextBetween) {
    EXPECT_EQ(textBetween("Set-Cookie: a=1; path=/", "set-cookie:", ";"), " a=1");
    EXPECT_EQ(textBetween("Set-Cookie: a=1; path=/", "set-cookie:", ";", 1, true), "");
    EXPECT_EQ(textBetween("x\"v\"y", "#引号", "#引号"), "v");
    EXPECT_EQ(textBetween("[a][b]", "[", "]", 3), "b");
    EXPECT_EQ(textBetween("no markers", "<", ">"), "");
    EXPECT_EQ(textBetween("<open only", "<", ">"), "");
    // "乙" ends with the byte 0xDA; "\x81[" has a trail byte equal to "[".
    EXPECT_EQ(textBetween("\x81[x][y]", "[", "]"), "y");
}

TEST(HttpTextTest, ValueAfterColonAndTrimming) {
    EXPECT_EQ(valueAfterColon("Location:  http://x/y  "), "http://x/y");
    EXPECT_EQ(valueAfterColon("no colon"), "");
    EXPECT_EQ(trimSpaces("\xA1\xA1 a b \xA1\xA1"), "a b");
    EXPECT_EQ(trimSpaces("\ta\t"), "\ta\t");
}

TEST(HttpTextTest, MergeCookies) {
    struct Case {
        std::string cookies, received, mergedCookies, receivedAfter;
    };
    const Case cases[] = {
        {"a=1; b=2", "b=deleted; c=3", "c=3; a=1", "b=deleted;c=3"},
        {"", "x=1; y=2", "x=1; y=2", "x=1;y=2"},
        {"a=1; b=2", "", "a=1; b=2", ""},
        {"a=1; a=1; B=3", "b=4", "b=4; a=1; B=3", "b=4"},
        {"flag; a=1", "a=2", "a=2; flag", "a=2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cookies + " + " + c.received);
        std::string cookies = c.cookies, received = c.received;
        mergeCookies(cookies, received);
        EXPECT_EQ(cookies, c.mergedCookies);
        EXPECT_EQ(received, c.receivedAfter);
    }
    EXPECT_EQ(removeDuplicateItems("a=1; b=2; a=1; c"), "a=1; b=2; c");
    EXPECT_EQ(cookieName(" sid = 5"), "sid");
    EXPECT_EQ(cookieName(" secure "), "secure");
}

}  // namespace
}  // namespace quarrow
