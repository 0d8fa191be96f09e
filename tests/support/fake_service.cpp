#include "support/fake_service.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "services/gbk_text.h"
#include "support/child_process.h"
#include "support/temp_folder.h"
#include "services/text_helpers.h"

extern char** environ;

namespace quarrow::testing {
namespace {

void run(const std::string& command) {
    if (std::system((command + " >/dev/null 2>&1").c_str()) != 0)
        throw std::runtime_error("failed: " + command);
}

// A test authority and a server certificate for 127.0.0.1, made once per process.
struct Certificates {
    std::string folder = makeTempDirectory("quarrow-certificates").string();
    std::string authority = folder + "/authority.pem";
    std::string certificate = folder + "/server.pem";
    std::string key = folder + "/server.key";

    Certificates() {
        const std::string ec = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
        run("openssl req -x509" + ec + " -keyout " + folder + "/authority.key -out " + authority +
            " -days 2 -subj '/CN=Quarrow Test Authority'"
            " -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign");
        run("openssl req" + ec + " -keyout " + key + " -out " + folder + "/server.csr -subj '/CN=127.0.0.1'");
        std::ofstream(folder + "/server.ext") << "subjectAltName=IP:127.0.0.1,DNS:localhost\n"
                                                 "basicConstraints=CA:FALSE\n"
                                                 "extendedKeyUsage=serverAuth\n";
        run("openssl x509 -req -in " + folder + "/server.csr -CA " + authority + " -CAkey " + folder +
            "/authority.key -CAcreateserial -out " + certificate + " -days 2 -extfile " + folder + "/server.ext");
    }
    ~Certificates() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
};

Certificates& certificates() {
    static Certificates made;
    return made;
}

std::string unhex(const std::string& hex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

}  // namespace

std::string RecordedRequest::header(const std::string& name) const {
    for (const auto& [key, value] : headers)
        if (gbkEqualsIgnoreCase(key, name)) return value;
    return {};
}

bool RecordedRequest::hasHeader(const std::string& name) const {
    for (const auto& entry : headers)
        if (gbkEqualsIgnoreCase(entry.first, name)) return true;
    return false;
}

FakeService::FakeService() : folder_(makeTempDirectory("quarrow-service").string()), logPath_(folder_ + "/requests.log") {
    Certificates& tls = certificates();
    int toChild[2], fromChild[2];
    if (pipe(toChild) != 0 || pipe(fromChild) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
    posix_spawn_file_actions_addclose(&actions, toChild[1]);
    posix_spawn_file_actions_addclose(&actions, fromChild[0]);
    std::string script = QUARROW_FAKE_SERVICE_SCRIPT;
    std::vector<std::string> args{"python3", script, "--log", logPath_, "--cert", tls.certificate, "--key", tls.key};
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (posix_spawnp(&pid_, "python3", &actions, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("cannot start the fake service");
    posix_spawn_file_actions_destroy(&actions);
    close(toChild[0]);
    close(fromChild[1]);
    input_ = toChild[1];

    FILE* output = fdopen(fromChild[0], "r");
    if (!output || std::fscanf(output, "port %d", &port_) != 1) throw std::runtime_error("fake service did not start");
    std::fclose(output);
    setenv("CURL_CA_BUNDLE", tls.authority.c_str(), 1);
}

FakeService::~FakeService() {
    unsetenv("CURL_CA_BUNDLE");
    close(input_);  // the service stops at the end of its input
    awaitChild(pid_, std::chrono::seconds(2));
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

std::string FakeService::http(const std::string& pathAndQuery) const {
    return "http://127.0.0.1:" + std::to_string(port_) + pathAndQuery;
}

std::string FakeService::https(const std::string& pathAndQuery) const {
    return "https://127.0.0.1:" + std::to_string(port_) + pathAndQuery;
}

std::vector<RecordedRequest> FakeService::requests() const {
    std::vector<RecordedRequest> out;
    std::ifstream log(logPath_);
    for (std::string line; std::getline(log, line);) {
        auto record = nlohmann::json::parse(line);
        RecordedRequest request;
        request.active = record["active"];
        request.tls = record["tls"];
        request.requestLine = record["request_line"];
        for (const auto& pair : record["headers"]) request.headers.emplace_back(pair[0], pair[1]);
        request.body = unhex(record["body_hex"]);
        out.push_back(std::move(request));
    }
    return out;
}

std::string FakeService::authorityFile() { return certificates().authority; }

std::string queryEscape(const std::string& text) { return urlEncode(text, true); }

}  // namespace quarrow::testing
