#include "support/fake_engine.h"

#include <map>

namespace quarrow::testing {
namespace {

void record(const char* name) { fakeEngineLog().calls.push_back(name); }

int fakeInit() { return record("XL_Init"), 1; }
int fakeUnInit() { return record("XL_UnInit"), 1; }
std::uint32_t fakeCreateTask(const void*) { return record("XL_CreateTask"), 7; }
int fakeStartTask(std::uint32_t) { return record("XL_StartTask"), 1; }
int fakeStopTask(std::uint32_t) { return record("XL_StopTask"), 1; }
int fakeDeleteTask(std::uint32_t) { return record("XL_DeleteTask"), 1; }
int fakeQueryTaskInfoEx(std::uint32_t, void*) { return record("XL_QueryTaskInfoEx"), 1; }

const std::map<std::string, void*>& functionTable() {
    static const std::map<std::string, void*> table{
        {"XL_Init", reinterpret_cast<void*>(&fakeInit)},
        {"XL_UnInit", reinterpret_cast<void*>(&fakeUnInit)},
        {"XL_CreateTask", reinterpret_cast<void*>(&fakeCreateTask)},
        {"XL_StartTask", reinterpret_cast<void*>(&fakeStartTask)},
        {"XL_StopTask", reinterpret_cast<void*>(&fakeStopTask)},
        {"XL_DeleteTask", reinterpret_cast<void*>(&fakeDeleteTask)},
        {"XL_QueryTaskInfoEx", reinterpret_cast<void*>(&fakeQueryTaskInfoEx)},
    };
    return table;
}

}  // namespace

FakeEngineLog& fakeEngineLog() {
    static FakeEngineLog log;
    return log;
}

FakeSymbolLoader::FakeSymbolLoader(bool libraryPresent, std::set<std::string> missing)
    : libraryPresent_(libraryPresent), missing_(std::move(missing)) {}

bool FakeSymbolLoader::open(const std::string& path) {
    fakeEngineLog().opened.push_back(path);
    return libraryPresent_;
}

void* FakeSymbolLoader::find(const std::string& name) {
    fakeEngineLog().lookedUp.push_back(name);
    if (missing_.count(name)) return nullptr;
    auto found = functionTable().find(name);
    return found == functionTable().end() ? nullptr : found->second;
}

}  // namespace quarrow::testing
