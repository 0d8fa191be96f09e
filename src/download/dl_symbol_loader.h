#pragma once

#include "download/symbol_loader.h"

namespace quarrow {

// SymbolLoader over the dynamic linker. The library stays loaded for the rest
// of the process: engine threads may still be running when this object goes.
class DlSymbolLoader : public SymbolLoader {
public:
    bool open(const std::string& path) override;
    void* find(const std::string& name) override;
    std::string lastError() const override { return lastError_; }

private:
    void* handle_ = nullptr;
    std::string lastError_;
};

}  // namespace quarrow
