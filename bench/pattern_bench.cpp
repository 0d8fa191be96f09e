// The file-record pattern over a large share page: the heaviest matching the
// program does.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "services/pattern_matcher.h"

namespace {

const std::string kRecordPattern =
    R"re({"fs_id":([\s\S]*?),"app_id[\s\S]*?server_filename":"([\s\S]*?)","size":([\s\S]*?),"[\s\S]*?path":"([\s\S]*?)")re";

// One entry of the page's file list as the service writes it: names and
// paths with \u escapes, every tenth entry a folder.
std::string fileRecord(int number) {
    const bool folder = number % 10 == 0;
    const unsigned hash = static_cast<unsigned>(number) * 2654435761u;
    char record[400];
    std::snprintf(record, sizeof record,
                  R"({"fs_id":%lld,"app_id":"250528","parent_path":"%%2F","server_filename":"\u8d44\u6599_%04d%s",)"
                  R"("size":%d,"server_mtime":152%07d,"isdir":%d,"category":%d,)"
                  R"("path":"\/\u8d44\u6599\/\u8d44\u6599_%04d%s","md5":"%08x%08x"})",
                  613800000000000LL + number * 7919LL, number, folder ? "" : ".zip", folder ? 0 : number * 4099,
                  number, folder ? 1 : 0, folder ? 6 : 5, number, folder ? "" : ".zip", hash, hash ^ 0x5bd1e995u);
    return record;
}

// A share page of about 1 MiB listing 5,000 entries in its script data.
std::string sharePage() {
    std::string page =
        "<!DOCTYPE html>\r\n<html><head><meta charset=\"utf-8\"><title>资料文件 免费高速下载|网盘-分享无限制</title>"
        "</head>\r\n<body>\r\n<div class=\"share-file-viewer\"></div>\r\n<script type=\"text/javascript\">\r\n"
        R"(yunData.setData({"loginstate":0,"uk":2717226241,"shareid":4129581231,"sign":"5f3b2a9c8d7e6f10",)"
        R"("timestamp":1520552095,"file_list":{"errno":0,"list":[)";
    for (int i = 1; i <= 5000; ++i) {
        if (i > 1) page += ',';
        page += fileRecord(i);
    }
    page += "]}});\r\nyunData.setData({\"bdstoken\":null,\"pansuk\":\"Zx9Qm3\"});\r\n"
            "yunData.getContext = function () { return yunData; };\r\n</script>\r\n</body></html>\r\n";
    return page;
}

const std::string& page() {
    static const std::string text = sharePage();
    return text;
}

void BM_FileRecordExecute(benchmark::State& state) {
    quarrow::PatternMatcher matcher;
    for (auto _ : state) {
        bool ok = matcher.execute(kRecordPattern, page());
        benchmark::DoNotOptimize(ok);
    }
    if (matcher.matchCount() != 5000) state.SkipWithError("wrong number of records");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page().size()));
    state.counters["page_bytes"] = static_cast<double>(page().size());
    state.counters["records"] = matcher.matchCount();
}
BENCHMARK(BM_FileRecordExecute)->Unit(benchmark::kMillisecond);

// Execute and then read the four groups of every record, as a listing does.
void BM_FileRecordExecuteAndRead(benchmark::State& state) {
    quarrow::PatternMatcher matcher;
    std::size_t read = 0;
    for (auto _ : state) {
        matcher.execute(kRecordPattern, page());
        for (int i = 1; i <= matcher.matchCount(); ++i)
            for (int group = 1; group <= 4; ++group) read += matcher.groupText(i, group).size();
    }
    benchmark::DoNotOptimize(read);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page().size()));
}
BENCHMARK(BM_FileRecordExecuteAndRead)->Unit(benchmark::kMillisecond);

}  // namespace
