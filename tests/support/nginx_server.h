#pragma once

// A real nginx (/usr/sbin/nginx) on a free port of 127.0.0.1 for as long as
// the object lives, serving the files of its own folder. Its configuration,
// pid file, logs and temporary paths all live in a fresh temporary folder,
// removed with the server. The access log records each request's Range
// header, so tests can see how a client split its transfer.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quarrow::testing {

// One line of the access log, written when a request ends.
struct ServedRequest {
    std::string uri;
    int status = 0;
    std::string range;            // the Range header, empty without one
    std::int64_t bytesSent = 0;   // body bytes sent
    std::int64_t connection = 0;  // the connection's serial number
    std::int64_t limitRate = 0;   // bytes per second the server held it to, 0 for no limit
    double startedAt = 0;         // seconds since the epoch
    double endedAt = 0;

    // The first byte the Range header asks for, 0 without one.
    std::int64_t firstByte() const;
    // The last byte it asks for, -1 without one or for an open end.
    std::int64_t lastByte() const;
};

struct NginxOptions {
    // nginx's limit_rate for every request, e.g. "2m"; empty for none.
    std::string limitRate;
};

class NginxServer {
public:
    explicit NginxServer(NginxOptions options = {});
    // Stops the server and removes its folder.
    ~NginxServer();
    NginxServer(const NginxServer&) = delete;
    NginxServer& operator=(const NginxServer&) = delete;

    int port() const { return port_; }
    // "http://127.0.0.1:PORT" + path.
    std::string url(const std::string& path) const;
    // The served folder: a file put here is served at "/" + its name.
    const std::filesystem::path& root() const { return root_; }
    // Writes a file of the given size into the served folder, filled with
    // bytes from a generator seeded with seed, and returns its path.
    std::filesystem::path addFile(const std::string& name, std::int64_t size, std::uint32_t seed = 1);

    // Every request finished so far, in the order they ended.
    std::vector<ServedRequest> requests() const;

private:
    bool tryStart(const std::string& limitRate);
    void kill();

    std::filesystem::path folder_;
    std::filesystem::path root_;
    int pid_ = -1;
    int port_ = 0;
};

}  // namespace quarrow::testing
