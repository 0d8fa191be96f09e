#include "services/http_transport.h"

#include <curl/curl.h>

#include <cstdlib>
#include <mutex>

namespace quarrow {
namespace {

// The cookies shared by every request that does not carry its own.
class SharedCookieStore {
public:
    static SharedCookieStore& instance() {
        static SharedCookieStore store;
        return store;
    }

    CURLSH* share() const { return share_; }

private:
    SharedCookieStore() {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        share_ = curl_share_init();
        curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
        curl_share_setopt(share_, CURLSHOPT_LOCKFUNC, &lock);
        curl_share_setopt(share_, CURLSHOPT_UNLOCKFUNC, &unlock);
        curl_share_setopt(share_, CURLSHOPT_USERDATA, &mutex_);
    }

    static void lock(CURL*, curl_lock_data, curl_lock_access, void* mutex) {
        static_cast<std::mutex*>(mutex)->lock();
    }
    static void unlock(CURL*, curl_lock_data, void* mutex) { static_cast<std::mutex*>(mutex)->unlock(); }

    std::mutex mutex_;
    CURLSH* share_ = nullptr;
};

struct Collector {
    TransportReply* reply;
    std::size_t maxBody;
};

size_t onBody(char* data, size_t size, size_t count, void* user) {
    auto* collector = static_cast<Collector*>(user);
    size_t bytes = size * count;
    if (collector->reply->body.size() + bytes > collector->maxBody) return 0;  // aborts the transfer
    collector->reply->body.append(data, bytes);
    return bytes;
}

// Keeps the header block of the latest reply: a status line starts a new one.
size_t onHeader(char* data, size_t size, size_t count, void* user) {
    auto* reply = static_cast<Collector*>(user)->reply;
    std::string line(data, size * count);
    if (line.compare(0, 5, "HTTP/") == 0) reply->rawHeaders.clear();
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    reply->rawHeaders += line + "\r\n";
    return size * count;
}

// curl drops a header given as "Name:" with nothing after it; "Name;" sends
// it with an empty value.
std::string curlHeaderLine(const std::string& line) {
    std::size_t end = line.find_last_not_of(' ');
    if (end != std::string::npos && line[end] == ':' && line.find(':') == end)
        return line.substr(0, end) + ";";
    return line;
}

void setCommonOptions(CURL* curl, const TransportRequest& request, Collector& collector) {
    const TransportLimits& limits = transportLimits();
    curl_easy_setopt(curl, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_HTTP_VERSION,
                     request.http10 ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, request.agent.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, request.followRedirects ? 1L : 0L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 20L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, limits.connectTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, limits.stallSeconds);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (const char* bundle = std::getenv("CURL_CA_BUNDLE"); bundle && *bundle)
        curl_easy_setopt(curl, CURLOPT_CAINFO, bundle);
    // Direct unless a proxy is given: proxies from the environment do not apply.
    bool plainHttp = request.url.compare(0, 7, "http://") == 0;
    std::string proxy = request.httpProxy && plainHttp ? "http://" + *request.httpProxy : "";
    curl_easy_setopt(curl, CURLOPT_PROXY, proxy.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &onBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &collector);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &onHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &collector);
    if (request.useSharedCookies) {
        curl_easy_setopt(curl, CURLOPT_SHARE, SharedCookieStore::instance().share());
        curl_easy_setopt(curl, CURLOPT_COOKIEFILE, "");
    }
}

void setBody(CURL* curl, const TransportRequest& request) {
    if (request.verb == "POST" || request.sendBody) {
        curl_easy_setopt(curl, CURLOPT_POST, 1L);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
        curl_easy_setopt(curl, CURLOPT_COPYPOSTFIELDS, request.body.c_str());
        // The fields are copied up to the given size, zero bytes included.
    }
    if (request.verb != "POST" && request.sendBody) curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, request.verb.c_str());
    if (!request.sendBody && request.verb == "GET") curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
}

}  // namespace

TransportLimits& transportLimits() {
    static TransportLimits limits;
    return limits;
}

TransportReply performRequest(const TransportRequest& request) {
    SharedCookieStore::instance();  // initialises libcurl once
    CURL* curl = curl_easy_init();
    TransportReply reply;
    if (!curl) return reply;
    Collector collector{&reply, transportLimits().maxBodyBytes};
    setCommonOptions(curl, request, collector);
    setBody(curl, request);

    curl_slist* headers = nullptr;
    for (const std::string& line : request.headerLines)
        if (!line.empty()) headers = curl_slist_append(headers, curlHeaderLine(line).c_str());
    // No "Expect: 100-continue" round trip before a body.
    headers = curl_slist_append(headers, "Expect:");
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);

    reply.completed = curl_easy_perform(curl) == CURLE_OK;

    curl_easy_cleanup(curl);
    curl_slist_free_all(headers);
    return reply;
}

void clearSharedCookieStore() {
    CURL* curl = curl_easy_init();
    if (!curl) return;
    curl_easy_setopt(curl, CURLOPT_SHARE, SharedCookieStore::instance().share());
    curl_easy_setopt(curl, CURLOPT_COOKIELIST, "ALL");
    curl_easy_cleanup(curl);
}

}  // namespace quarrow
