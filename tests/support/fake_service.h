#pragma once

// The project's fake service (tests/fake_service/fake_service.py), started on
// a free port of 127.0.0.1 for as long as the object lives. One port answers
// both http:// and https:// (with a certificate of a test authority that the
// HTTP client trusts through CURL_CA_BUNDLE while the object lives).

#include <string>
#include <utility>
#include <vector>

namespace quarrow::testing {

struct RecordedRequest {
    int active = 0;  // requests being answered when this one arrived, itself included
    bool tls = false;
    std::string requestLine;
    std::vector<std::pair<std::string, std::string>> headers;  // in the order sent
    std::string body;

    // The value of the first header of that name (letter case ignored).
    std::string header(const std::string& name) const;
    bool hasHeader(const std::string& name) const;
};

class FakeService {
public:
    FakeService();
    ~FakeService();
    FakeService(const FakeService&) = delete;
    FakeService& operator=(const FakeService&) = delete;

    int port() const { return port_; }
    // "http://127.0.0.1:PORT" + pathAndQuery, and the same with https.
    std::string http(const std::string& pathAndQuery) const;
    std::string https(const std::string& pathAndQuery) const;

    // Every request received so far, in order.
    std::vector<RecordedRequest> requests() const;

    // The test authority's certificate file.
    static std::string authorityFile();

private:
    std::string folder_;
    std::string logPath_;
    int pid_ = -1;
    int input_ = -1;
    int port_ = 0;
};

// Percent-encodes a text for a query value (every byte but letters,
// digits, "-" and ".").
std::string queryEscape(const std::string& text);

}  // namespace quarrow::testing
