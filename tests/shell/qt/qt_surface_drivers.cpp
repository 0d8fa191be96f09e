// Runs the shared surface tests against the Qt surface.

#include "qt_driver.h"
#include "shell/surface_contract.h"

namespace quarrow::testing {

std::vector<DriverFactory> surfaceDrivers() {
    return {{"Qt", [] { return std::make_unique<QtDriver>(); }}};
}

}  // namespace quarrow::testing
