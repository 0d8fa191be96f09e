#include "download/dl_symbol_loader.h"

#include <dlfcn.h>

namespace quarrow {

bool DlSymbolLoader::open(const std::string& path) {
    handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* reason = ::dlerror();
        lastError_ = reason ? reason : "";
    }
    return handle_ != nullptr;
}

void* DlSymbolLoader::find(const std::string& name) {
    if (!handle_) return nullptr;
    ::dlerror();
    void* address = ::dlsym(handle_, name.c_str());
    if (!address) {
        const char* reason = ::dlerror();
        lastError_ = reason ? reason : "";
    }
    return address;
}

}  // namespace quarrow
