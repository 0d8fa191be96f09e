#pragma once

// A small engine for tests: the seven functions as a table of plain
// functions that record their calls, served through a SymbolLoader that also
// records what was opened and looked up. Functions can be left out to try
// the missing-function path.

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "download/symbol_loader.h"

namespace quarrow::testing {

struct FakeEngineLog {
    std::vector<std::string> calls;      // function names, in call order
    std::vector<std::string> opened;     // library paths opened
    std::vector<std::string> lookedUp;   // function names looked up
};

// The log of every fake engine call (the functions are plain C functions).
FakeEngineLog& fakeEngineLog();

class FakeSymbolLoader : public SymbolLoader {
public:
    // libraryPresent false: open fails. missing: functions it lacks.
    explicit FakeSymbolLoader(bool libraryPresent = true, std::set<std::string> missing = {});
    bool open(const std::string& path) override;
    void* find(const std::string& name) override;
    std::string lastError() const override { return "no such file"; }

private:
    bool libraryPresent_;
    std::set<std::string> missing_;
};

}  // namespace quarrow::testing
