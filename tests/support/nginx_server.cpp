#include "support/nginx_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

#include "support/child_process.h"
#include "support/temp_folder.h"

extern char** environ;

namespace quarrow::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kNginx = "/usr/sbin/nginx";

// A port nobody listens on right now: the system's pick for port 0.
int freePort() {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("socket failed");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    if (port == 0) throw std::runtime_error("no free port");
    return port;
}

bool accepts(int port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string configuration(const fs::path& folder, const fs::path& root, int port, const std::string& limitRate) {
    const std::string f = folder.string();
    std::ostringstream c;
    c << "daemon off;\n"
         "master_process off;\n"
         "worker_processes 1;\n"
         "pid "
      << f << "/nginx.pid;\n"
      << "error_log " << f << "/error.log warn;\n"
      << "events { worker_connections 256; }\n"
         "http {\n"
         "  default_type application/octet-stream;\n"
         "  sendfile on;\n"
         "  keepalive_timeout 30s;\n"
         // End time, duration, status, body bytes, connection, rate, Range, URI.
         "  log_format ranges '$msec\\t$request_time\\t$status\\t$body_bytes_sent\\t$connection\\t"
         "$limit_rate\\t$http_range\\t$request_uri';\n"
         "  access_log "
      << f << "/access.log ranges;\n";
    for (const char* kind : {"client_body", "proxy", "fastcgi", "uwsgi", "scgi"})
        c << "  " << kind << "_temp_path " << f << "/temp/" << kind << ";\n";
    c << "  server {\n"
         "    listen 127.0.0.1:"
      << port << ";\n"
      << "    root " << root.string() << ";\n";
    if (!limitRate.empty()) c << "    limit_rate " << limitRate << ";\n";
    c << "  }\n"
         "}\n";
    return c.str();
}

double number(const std::string& text) { return text.empty() || text == "-" ? 0 : std::strtod(text.c_str(), nullptr); }

}  // namespace

std::int64_t ServedRequest::firstByte() const {
    std::size_t equals = range.find('=');
    return equals == std::string::npos ? 0 : std::strtoll(range.c_str() + equals + 1, nullptr, 10);
}

std::int64_t ServedRequest::lastByte() const {
    std::size_t dash = range.find('-');
    if (dash == std::string::npos || dash + 1 >= range.size()) return -1;
    return std::strtoll(range.c_str() + dash + 1, nullptr, 10);
}

NginxServer::NginxServer(NginxOptions options) {
    folder_ = makeTempDirectory("quarrow-nginx");
    root_ = folder_ / "www";
    fs::create_directories(root_);
    fs::create_directories(folder_ / "temp");
    // Another process may take the chosen port before nginx binds it: try anew.
    for (int attempt = 0; attempt < 5; ++attempt)
        if (tryStart(options.limitRate)) return;
    std::string errors = readAll(folder_ / "error.log") + readAll(folder_ / "stderr.log");
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
    throw std::runtime_error("nginx did not start: " + errors);
}

bool NginxServer::tryStart(const std::string& limitRate) {
    port_ = freePort();
    const fs::path config = folder_ / "nginx.conf";
    std::ofstream(config) << configuration(folder_, root_, port_, limitRate);
    fs::remove(folder_ / "nginx.pid");

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    const std::string output = (folder_ / "stderr.log").string();
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    std::vector<std::string> args{kNginx, "-p", folder_.string() + "/", "-c", config.string(),
                                  "-e", (folder_ / "error.log").string()};
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    int spawned = posix_spawn(&pid_, kNginx, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        pid_ = -1;
        throw std::runtime_error(std::string("cannot run ") + kNginx);
    }

    // nginx writes its pid file only once its listening socket is bound.
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return false;
        }
        std::ifstream pidFile(folder_ / "nginx.pid");
        int written = 0;
        if (pidFile >> written && written == pid_ && accepts(port_)) return true;
        std::this_thread::sleep_for(10ms);
    }
    kill();
    return false;
}

void NginxServer::kill() {
    if (pid_ <= 0) return;
    // TERM is nginx's fast shutdown; a server that does not go is killed.
    ::kill(pid_, SIGTERM);
    awaitChild(pid_, 5s);
    pid_ = -1;
}

NginxServer::~NginxServer() {
    kill();
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

std::string NginxServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

fs::path NginxServer::addFile(const std::string& name, std::int64_t size, std::uint32_t seed) {
    const fs::path path = root_ / name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::uint64_t state = 0x9E3779B97F4A7C15ull * (seed + 1);
    std::vector<char> chunk(1 << 20);
    for (std::int64_t left = size; left > 0;) {
        std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(left, static_cast<std::int64_t>(chunk.size())));
        for (std::size_t k = 0; k < n; k += 8) {
            // xorshift64: fast, and no two files of different seeds alike.
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            for (std::size_t b = 0; b < 8 && k + b < n; ++b) chunk[k + b] = static_cast<char>(state >> (8 * b));
        }
        out.write(chunk.data(), static_cast<std::streamsize>(n));
        left -= static_cast<std::int64_t>(n);
    }
    if (!out) throw std::runtime_error("cannot write " + path.string());
    return path;
}

std::vector<ServedRequest> NginxServer::requests() const {
    std::vector<ServedRequest> out;
    std::ifstream log(folder_ / "access.log");
    for (std::string line; std::getline(log, line);) {
        std::vector<std::string> fields;
        std::istringstream in(line);
        for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
        if (fields.size() != 8) continue;  // a line still being written
        ServedRequest request;
        request.endedAt = number(fields[0]);
        request.startedAt = request.endedAt - number(fields[1]);
        request.status = static_cast<int>(number(fields[2]));
        request.bytesSent = static_cast<std::int64_t>(number(fields[3]));
        request.connection = static_cast<std::int64_t>(number(fields[4]));
        request.limitRate = static_cast<std::int64_t>(number(fields[5]));
        request.range = fields[6] == "-" ? std::string() : fields[6];
        request.uri = fields[7];
        out.push_back(std::move(request));
    }
    return out;
}

}  // namespace quarrow::testing
