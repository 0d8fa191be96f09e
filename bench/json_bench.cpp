// Reading a folder listing reply of 100 entries, as the listing handlers do:
// parse it, count the list, read each entry's fields by member path.

#include <benchmark/benchmark.h>

#include <string>

#include "services/json_object.h"
#include "services/text_helpers.h"

namespace {

// A listing reply as the HTTP client hands it over: GBK text.
std::string listingReply() {
    std::string reply = "{\"errno\":0,\"list\":[";
    for (int i = 0; i < 100; ++i) {
        std::string n = std::to_string(i);
        if (i > 0) reply += ',';
        reply += "{\"category\":6,\"fs_id\":" + std::to_string(1057167512997308LL + i * 7919LL) +
                 ",\"isdir\":" + (i % 4 == 0 ? "1" : "0") +
                 ",\"local_ctime\":1520729553,\"local_mtime\":1520729553,\"md5\":\"3f0a9c1b7e5d2f6a8b4c0d1e2f3a4b5" +
                 std::to_string(i % 10) + "\",\"path\":\"\\/资料\\/2018 课程\\/第" + n + "讲 讲义与练习.pdf\"" +
                 ",\"server_ctime\":1520729553,\"server_filename\":\"第" + n + "讲 讲义与练习.pdf\"" +
                 ",\"server_mtime\":1520729553,\"size\":" + std::to_string(1048576LL * (i + 1) + 12345) + "}";
    }
    reply += "],\"request_id\":8771216377438937312}";
    return reply;
}

void BM_ParseListing(benchmark::State& state) {
    const std::string reply = listingReply();
    for (auto _ : state) {
        quarrow::JsonObject json;
        benchmark::DoNotOptimize(json.parse(reply));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(reply.size()));
}
BENCHMARK(BM_ParseListing);

void BM_ParseAndReadListing(benchmark::State& state) {
    const std::string reply = listingReply();
    for (auto _ : state) {
        quarrow::JsonObject json;
        json.parse(reply);
        int count = json.count("list");
        for (int k = 0; k < count; ++k) {
            const std::string entry = "list[" + std::to_string(k) + "]";
            benchmark::DoNotOptimize(json.pathText(entry + ".isdir"));
            benchmark::DoNotOptimize(json.pathText(entry + "['server_filename']"));
            benchmark::DoNotOptimize(json.pathText(entry + "['fs_id']", true));
            benchmark::DoNotOptimize(json.pathText(entry + ".path"));
            benchmark::DoNotOptimize(json.pathText(entry + ".size"));
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 100);
}
BENCHMARK(BM_ParseAndReadListing);

// The same, with the text helpers each row applies: the size text and the
// decoded, percent-encoded path.
void BM_ListingRows(benchmark::State& state) {
    const std::string reply = listingReply();
    for (auto _ : state) {
        quarrow::JsonObject json;
        json.parse(reply);
        int count = json.count("list");
        for (int k = 0; k < count; ++k) {
            const std::string entry = "list[" + std::to_string(k) + "]";
            benchmark::DoNotOptimize(json.pathText(entry + ".isdir"));
            benchmark::DoNotOptimize(json.pathText(entry + "['server_filename']"));
            benchmark::DoNotOptimize(json.pathText(entry + "['fs_id']", true));
            benchmark::DoNotOptimize(
                quarrow::urlEncode(quarrow::decodeEscapes(json.pathText(entry + ".path")), false, true));
            benchmark::DoNotOptimize(quarrow::formatSize(std::stod(json.pathText(entry + ".size"))));
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 100);
}
BENCHMARK(BM_ListingRows);

}  // namespace
