#include "services/http_client.h"

#include "services/charset.h"
#include "services/gbk_text.h"
#include "services/http_text.h"
#include "services/http_transport.h"

namespace quarrow {

const char* const kDefaultAgent =
    "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1; ZUNTA; .NET CLR 2.0.50727; .NET CLR 3.0.04506.648; "
    ".NET CLR 3.5.21022)";

namespace {

// The raw header block is read into a buffer of this many bytes, filled with
// spaces beforehand; a block that does not fit leaves the spaces.
constexpr std::size_t kHeaderBufferBytes = 5000;
// The UTF-8 probe counts a "utf-8" in the body only when it starts below
// this 1-based position.
constexpr std::size_t kUtf8ProbeLimit = 500;

bool containsIgnoringCase(const std::string& text, const std::string& needle) {
    return findText(text, needle) != std::string::npos;
}

std::string agentFor(const std::string& headers) {
    if (!containsIgnoringCase(headers, "User-Agent:")) return kDefaultAgent;
    std::string agent = trimSpaces(textBetween(headers, "User-Agent:", "\r\n"));
    return agent.empty() ? valueAfterColon(headers) : agent;
}

void completeHeaders(std::string& headers, const std::string& url, const std::string& cookies) {
    auto has = [&](const char* name) { return headers.find(name) != std::string::npos; };
    if (!has("Referer:")) headers += headers.empty() ? "Referer: " + url : "\r\nReferer: " + url;
    if (!has("Accept:")) headers += "\r\nAccept: */*";
    if (!has("Accept-Language:")) headers += "\r\nAccept-Language: zh-cn";
    if (!has("Content-Type:")) headers += "\r\nContent-Type: application/x-www-form-urlencoded";
    if (!cookies.empty()) headers += "\r\nCookie: " + cookies;
}

// The cookies a reply set, and the target of its Location header.
void readReplyHeaders(const std::string& rawHeaders, std::string& receivedCookies, std::string& location) {
    receivedCookies.clear();
    for (const std::string& line : splitText(rawHeaders, "\r\n")) {
        if (line.find("Location:") != std::string::npos) location = valueAfterColon(line);
        if (line.find("Set-Cookie") != std::string::npos)
            receivedCookies += trimSpaces(textBetween(line, "Set-Cookie:", ";")) + "; ";
    }
    receivedCookies.erase(receivedCookies.size() >= 2 ? receivedCookies.size() - 2 : 0);
}

bool isUtf8Reply(const std::string& body, const std::string& rawHeaders) {
    std::size_t at = body.find("utf-8");
    return (at != std::string::npos && at + 1 < kUtf8ProbeLimit) || containsIgnoringCase(rawHeaders, "utf-8");
}

}  // namespace

std::string httpRequest(const std::string& url, int method, const std::string& body, std::string* cookies,
                        std::string* receivedCookies, std::string* headers, std::string* location, bool noRedirect,
                        std::string* bodyBytes, const std::string* proxy, std::string* responseHeaders) {
    std::string scratchReceived, scratchHeaders, scratchLocation, scratchBodyBytes, scratchResponseHeaders;
    std::string& received = receivedCookies ? *receivedCookies : scratchReceived;
    std::string& headerText = headers ? *headers : scratchHeaders;
    std::string& locationText = location ? *location : scratchLocation;
    std::string& sentBytes = bodyBytes ? *bodyBytes : scratchBodyBytes;
    std::string& rawHeaders = responseHeaders ? *responseHeaders : scratchResponseHeaders;

    std::string host = urlHost(url);
    if (host.empty()) return {};
    bool secure = gbkLowerAscii(url.substr(0, 5)) == "https";

    TransportRequest request;
    request.verb = method == 1 ? "POST" : "GET";
    request.agent = agentFor(headerText);
    request.url = (secure ? "https://" : "http://") + host + ":" + std::to_string(urlPort(url)) + urlPath(url);
    request.useSharedCookies = cookies == nullptr;
    request.followRedirects = !noRedirect;
    if (proxy) request.httpProxy = *proxy;

    completeHeaders(headerText, url, cookies ? *cookies : std::string());
    request.headerLines = splitText(headerText, "\r\n");
    if (method != 0) {
        if (sentBytes.empty()) sentBytes = body;
        request.sendBody = true;
        request.body = sentBytes;
    }

    TransportReply reply = performRequest(request);

    rawHeaders = std::string(kHeaderBufferBytes, ' ');
    if (reply.completed && reply.rawHeaders.size() < kHeaderBufferBytes) rawHeaders = reply.rawHeaders;
    readReplyHeaders(rawHeaders, received, locationText);
    if (cookies) mergeCookies(*cookies, received);
    if (locationText.empty()) locationText = rawHeaders;

    if (isUtf8Reply(reply.body, rawHeaders)) return utf8ToGbk(reply.body);
    return reply.body;
}

std::string fetchUrl(const std::string& url) {
    std::string host = urlHost(url);
    if (host.empty()) return {};
    TransportRequest request;
    request.url = url.find("://") == std::string::npos ? "http://" + url : url;
    request.agent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
    request.http10 = true;
    request.headerLines = {"Accept: */*"};
    TransportReply reply = performRequest(request);
    return reply.completed ? reply.body : std::string();
}

void clearSharedCookies() { clearSharedCookieStore(); }

}  // namespace quarrow
