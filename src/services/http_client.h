#pragma once

// The synchronous HTTP client every request to the service goes through, and
// the plain URL reader. Both use one process-wide cookie store, except for a
// request that carries its cookie text by hand.
//
// Texts are GBK byte strings. Pointer arguments are the caller's variables:
// null means "not supplied", which matters for cookies and proxy.

#include <string>

namespace quarrow {

// The agent text used when the extra headers carry no User-Agent line.
extern const char* const kDefaultAgent;

// Sends a GET (method 0) or POST (method 1) request and returns the reply
// body, converted from UTF-8 to GBK when the reply is UTF-8; empty text on
// failure. The header text sent is the caller's headers completed with
// Referer, Accept, Accept-Language, Content-Type and Cookie lines; headers
// receives the completed text.
std::string httpRequest(const std::string& url, int method = 0, const std::string& body = {},
                        std::string* cookies = nullptr, std::string* receivedCookies = nullptr,
                        std::string* headers = nullptr, std::string* location = nullptr, bool noRedirect = false,
                        std::string* bodyBytes = nullptr, const std::string* proxy = nullptr,
                        std::string* responseHeaders = nullptr);

// A plain GET through the shared cookie store; the reply body as bytes, empty
// bytes when the request fails.
std::string fetchUrl(const std::string& url);

// Forgets every cookie of the shared store.
void clearSharedCookies();

}  // namespace quarrow
