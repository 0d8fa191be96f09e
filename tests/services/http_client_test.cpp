// What the HTTP client puts on the wire and makes of the replies, against the
// fake service on 127.0.0.1.

#include "services/http_client.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "services/charset.h"
#include "services/http_transport.h"
#include "support/fake_service.h"

namespace quarrow {
namespace {

using testing::FakeService;
using testing::queryEscape;
using testing::RecordedRequest;

// Header lines of a request, as "Name: value".
std::vector<std::string> lines(const RecordedRequest& request) {
    std::vector<std::string> out;
    for (const auto& [name, value] : request.headers) out.push_back(name + ": " + value);
    return out;
}

// The position of a line among the request's header lines; -1 when absent.
int indexOf(const RecordedRequest& request, const std::string& line) {
    auto all = lines(request);
    for (std::size_t i = 0; i < all.size(); ++i)
        if (all[i] == line) return static_cast<int>(i);
    return -1;
}

std::string hex(const std::string& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) out += std::string{digits[c >> 4], digits[c & 15]};
    return out;
}

class HttpClientTest : public ::testing::Test {
protected:
    void SetUp() override { clearSharedCookies(); }
    RecordedRequest last() {
        auto all = service.requests();
        return all.empty() ? RecordedRequest{} : all.back();
    }

    FakeService service;
};

TEST_F(HttpClientTest, BareGetSendsTheCompletedDefaultHeaderText) {
    std::string url = service.http("/reply?body=ok");
    std::string headers;
    EXPECT_EQ(httpRequest(url, 0, "", nullptr, nullptr, &headers), "ok");
    EXPECT_EQ(headers, "Referer: " + url +
                           "\r\nAccept: */*\r\nAccept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded");

    RecordedRequest sent = last();
    EXPECT_EQ(sent.requestLine, "GET /reply?body=ok HTTP/1.1");
    int referer = indexOf(sent, "Referer: " + url);
    int accept = indexOf(sent, "Accept: */*");
    int language = indexOf(sent, "Accept-Language: zh-cn");
    int type = indexOf(sent, "Content-Type: application/x-www-form-urlencoded");
    ASSERT_GE(referer, 0);
    EXPECT_LT(referer, accept);
    EXPECT_LT(accept, language);
    EXPECT_LT(language, type);
    EXPECT_EQ(sent.header("User-Agent"), kDefaultAgent);
    EXPECT_FALSE(sent.hasHeader("Expect"));
    EXPECT_FALSE(sent.hasHeader("Cookie"));
}

TEST_F(HttpClientTest, AUserAgentLineIsSentAsItIsAndOnce) {
    std::string headers = "User-Agent:  netdisk;7.0  ";
    httpRequest(service.http("/echo"), 0, "", nullptr, nullptr, &headers);
    RecordedRequest sent = last();
    EXPECT_EQ(sent.header("User-Agent"), "netdisk;7.0  ");
    int count = 0;
    for (const auto& header : sent.headers) count += header.first == "User-Agent";
    EXPECT_EQ(count, 1);
}

TEST_F(HttpClientTest, PostSendsTheBodyAndAnEmptyPostItsFormType) {
    std::string bytes;
    httpRequest(service.https("/echo"), 1, "pwd=ab12&vcode=", nullptr, nullptr, nullptr, nullptr, false, &bytes);
    RecordedRequest sent = last();
    EXPECT_TRUE(sent.tls);
    EXPECT_EQ(sent.requestLine, "POST /echo HTTP/1.1");
    EXPECT_EQ(sent.body, "pwd=ab12&vcode=");
    EXPECT_EQ(bytes, "pwd=ab12&vcode=");

    httpRequest(service.http("/echo"), 1);
    sent = last();
    EXPECT_EQ(sent.requestLine, "POST /echo HTTP/1.1");
    EXPECT_EQ(sent.header("Content-Length"), "0");
    EXPECT_EQ(sent.header("Content-Type"), "application/x-www-form-urlencoded");
}

TEST_F(HttpClientTest, ReceivedCookiesAreTheNameValuePartsOfSetCookie) {
    std::string received, location = "kept";
    std::string url = service.http("/reply?header=" + queryEscape("Set-Cookie: a=1; path=/") +
                                   "&header=" + queryEscape("Set-Cookie: b=2; path=/") +
                                   "&header=" + queryEscape("Set-Cookie: bare=3"));
    httpRequest(url, 0, "", nullptr, &received, nullptr, &location);
    EXPECT_EQ(received, "a=1; b=2; ");  // the pair without ";" after it gives an empty item
    EXPECT_EQ(location, "kept");          // not cleared when the reply has no Location
}

TEST_F(HttpClientTest, TheSharedStoreCarriesCookiesBetweenRequestsWithoutACookieText) {
    httpRequest(service.http("/reply?header=" + queryEscape("Set-Cookie: BAIDUID=xyz; path=/")));
    httpRequest(service.http("/echo"));
    EXPECT_EQ(last().header("Cookie"), "BAIDUID=xyz");

    // A request with a cookie text of its own neither reads nor writes the store.
    std::string cookies = "a=1; b=2";
    std::string received;
    httpRequest(service.http("/reply?header=" + queryEscape("Set-Cookie: b=deleted; path=/") +
                             "&header=" + queryEscape("Set-Cookie: c=3; path=/")),
                0, "", &cookies, &received);
    EXPECT_EQ(last().header("Cookie"), "a=1; b=2");
    EXPECT_EQ(cookies, "c=3; a=1");
    EXPECT_EQ(received, "b=deleted;c=3");

    httpRequest(service.http("/echo"));
    EXPECT_EQ(last().header("Cookie"), "BAIDUID=xyz");

    std::string empty;
    httpRequest(service.http("/echo"), 0, "", &empty);
    EXPECT_FALSE(last().hasHeader("Cookie"));
}

TEST_F(HttpClientTest, RedirectsAreFollowedUnlessNoRedirect) {
    std::string target = service.https("/reply?body=final");
    std::string redirect = service.http("/reply?status=302&body=moved&header=" + queryEscape("Location: " + target));

    std::string location;
    EXPECT_EQ(httpRequest(redirect, 0, "", nullptr, nullptr, nullptr, &location, true), "moved");
    EXPECT_EQ(location, target);

    std::string responseHeaders;
    EXPECT_EQ(httpRequest(redirect, 0, "", nullptr, nullptr, nullptr, nullptr, false, nullptr, nullptr,
                          &responseHeaders),
              "final");
    EXPECT_EQ(responseHeaders.rfind("HTTP/1.1 200", 0), 0u) << responseHeaders;
    EXPECT_EQ(responseHeaders.substr(responseHeaders.size() - 4), "\r\n\r\n");
    EXPECT_TRUE(last().tls);
}

TEST_F(HttpClientTest, Utf8RepliesAreConvertedToGbk) {
    const std::string chinese = "\xE4\xB8\xAD\xE6\x96\x87";  // "中文" in UTF-8
    struct Case {
        std::string query;
        bool converted;
    };
    const Case cases[] = {
        {"&header=" + queryEscape("Content-Type: text/html; charset=UTF-8"), true},
        // "utf-8" in the body starting at 1-based position 499, then at 500.
        {"&pad=498&prefix=utf-8", true},
        {"&pad=499&prefix=utf-8", false},
        {"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.query);
        std::string body = chinese;
        std::string query = c.query;
        if (auto at = query.find("&prefix=utf-8"); at != std::string::npos) {
            query.erase(at);
            body = "utf-8" + chinese;
        }
        std::string reply = httpRequest(service.http("/reply?body_hex=" + hex(body) + query));
        EXPECT_EQ(reply.find("中文") != std::string::npos, c.converted) << reply.size();
    }
    // A GBK body without a charset comes back as it is.
    EXPECT_EQ(httpRequest(service.http("/reply?body_hex=" + hex("中文"))), "中文");
}

TEST_F(HttpClientTest, UrlWithoutSchemeIsPlainHttpToItsPort) {
    std::string url = "127.0.0.1:" + std::to_string(service.port()) + "/reply?body=plain";
    EXPECT_EQ(httpRequest(url), "plain");
    EXPECT_FALSE(last().tls);
    EXPECT_EQ(last().requestLine, "GET /reply?body=plain HTTP/1.1");
}

TEST_F(HttpClientTest, TlsTrustsOnlyTheConfiguredAuthority) {
    EXPECT_EQ(httpRequest(service.https("/reply?body=secret")), "secret");
    unsetenv("CURL_CA_BUNDLE");
    EXPECT_EQ(httpRequest(service.https("/reply?body=secret")), "");
    setenv("CURL_CA_BUNDLE", FakeService::authorityFile().c_str(), 1);
}

TEST_F(HttpClientTest, AFailedExchangeLeavesTheHeaderBufferOfSpaces) {
    // Nothing listens on the port of a service that has stopped.
    int port;
    {
        FakeService stopped;
        port = stopped.port();
    }
    std::string cookies = "a=1; x=deleted", received = "old", location, responseHeaders;
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(httpRequest("http://127.0.0.1:" + std::to_string(port) + "/", 0, "", &cookies, &received, nullptr,
                          &location, false, nullptr, nullptr, &responseHeaders),
              "");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_EQ(responseHeaders, std::string(5000, ' '));
    EXPECT_EQ(location, std::string(5000, ' '));
    EXPECT_EQ(received, "");
    EXPECT_EQ(cookies, "a=1");
}

TEST_F(HttpClientTest, AHeaderBlockTooLargeForTheBufferGivesNoCookies) {
    std::string received, responseHeaders;
    std::string url = service.http("/reply?body=big&header=" + queryEscape("Set-Cookie: a=1") + "&header=" +
                                   queryEscape("X-Filler: " + std::string(5200, 'f')));
    EXPECT_EQ(httpRequest(url, 0, "", nullptr, &received, nullptr, nullptr, false, nullptr, nullptr, &responseHeaders),
              "big");
    EXPECT_EQ(received, "");
    EXPECT_EQ(responseHeaders, std::string(5000, ' '));
}

TEST_F(HttpClientTest, ADroppedConnectionGivesTheBodyReadSoFar) {
    EXPECT_EQ(httpRequest(service.http("/reply?body=0123456789&drop_after=4")), "0123");
    EXPECT_EQ(fetchUrl(service.http("/reply?body=0123456789&drop_after=4")), "");
}

TEST_F(HttpClientTest, AStalledReplyIsAbandoned) {
    TransportLimits saved = transportLimits();
    transportLimits().stallSeconds = 1;
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(httpRequest(service.http("/reply?body=late&delay=4")), "");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(4));
    transportLimits() = saved;
}

TEST_F(HttpClientTest, ALargeBodyArrivesWhole) {
    const std::size_t size = 50u << 20;
    std::string body = httpRequest(service.http("/reply?size=" + std::to_string(size)));
    ASSERT_EQ(body.size(), size);
    EXPECT_EQ(static_cast<unsigned char>(body[size - 1]), (size - 1) * 7 % 251);
}

TEST_F(HttpClientTest, AGivenProxyCarriesPlainHttpRequests) {
    // The host is never looked up: the request goes to the proxy whole.
    std::string proxy = "127.0.0.1:" + std::to_string(service.port());
    EXPECT_EQ(httpRequest("http://pan.example.invalid/reply?body=proxied", 0, "", nullptr, nullptr, nullptr, nullptr,
                          false, nullptr, &proxy),
              "proxied");
    EXPECT_EQ(last().requestLine, "GET http://pan.example.invalid/reply?body=proxied HTTP/1.1");
}

TEST_F(HttpClientTest, FetchUrlIsAPlainHttp10GetThroughTheSharedStore) {
    httpRequest(service.http("/reply?header=" + queryEscape("Set-Cookie: BAIDUID=abc; path=/")));
    std::string target = service.http("/reply?body_hex=89504e47&header=" + queryEscape("Set-Cookie: code=7; path=/"));
    std::string url = service.https("/reply?status=302&header=" + queryEscape("Location: " + target));

    EXPECT_EQ(fetchUrl(url), "\x89PNG");

    auto requests = service.requests();
    ASSERT_GE(requests.size(), 3u);
    RecordedRequest first = requests[requests.size() - 2];
    EXPECT_EQ(first.requestLine.substr(first.requestLine.size() - 8), "HTTP/1.0");
    EXPECT_EQ(first.header("User-Agent"), "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)");
    EXPECT_EQ(first.header("Accept"), "*/*");
    EXPECT_EQ(first.header("Cookie"), "BAIDUID=abc");
    EXPECT_FALSE(first.hasHeader("Referer"));

    httpRequest(service.http("/echo"));
    EXPECT_NE(last().header("Cookie").find("code=7"), std::string::npos);
    EXPECT_EQ(fetchUrl("http://127.0.0.1:1/"), "");
}

}  // namespace
}  // namespace quarrow
