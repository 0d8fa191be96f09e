#pragma once

// The shared surface tests. Each test program that runs them defines
// surfaceDrivers() with the implementations it covers.

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "surface_driver.h"

namespace quarrow::testing {

struct DriverFactory {
    std::string name;
    std::function<std::unique_ptr<SurfaceDriver>()> make;
};

std::vector<DriverFactory> surfaceDrivers();

inline void PrintTo(const DriverFactory& factory, std::ostream* out) { *out << factory.name; }

}  // namespace quarrow::testing
