#pragma once

#include <string>

namespace quarrow {

// Opens a shared library and finds functions in it by name.
class SymbolLoader {
public:
    virtual ~SymbolLoader() = default;
    // Opens the library; false (with a reason in lastError) when it cannot.
    virtual bool open(const std::string& path) = 0;
    // The function's address, or null when the library has no such function.
    virtual void* find(const std::string& name) = 0;
    virtual std::string lastError() const = 0;
};

}  // namespace quarrow
