#pragma once

// One HTTP exchange over libcurl, with the process-wide cookie store.
//
// TLS always verifies the peer and its name against the system's trust store,
// or against the bundle named by the CURL_CA_BUNDLE environment variable.

#include <optional>
#include <string>
#include <vector>

namespace quarrow {

struct TransportRequest {
    std::string url;                       // scheme, host, port, path and query
    std::string verb = "GET";
    bool sendBody = false;
    std::string body;
    std::vector<std::string> headerLines;  // sent as they are, in order
    std::string agent;
    bool http10 = false;
    bool useSharedCookies = true;  // false: the store is neither read nor written
    bool followRedirects = true;
    std::optional<std::string> httpProxy;  // proxy for plain http URLs; none: direct
};

struct TransportReply {
    bool completed = false;  // the whole final reply arrived
    std::string body;        // as much of the final reply's body as arrived
    std::string rawHeaders;  // the final reply's header block, CR LF lines, status line first
};

// Limits that keep a request from hanging the window for ever.
struct TransportLimits {
    long connectTimeoutSeconds = 30;
    long stallSeconds = 60;                    // abort below 1 byte/s for this long
    std::size_t maxBodyBytes = 512u << 20;     // a larger reply is cut off and fails
};

TransportLimits& transportLimits();

// Runs the exchange.
TransportReply performRequest(const TransportRequest& request);

void clearSharedCookieStore();

}  // namespace quarrow
