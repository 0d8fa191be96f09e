#pragma once

#include "download/engine_library.h"
#include "shell/app_state.h"
#include "shell/surface.h"

namespace quarrow {

// What every handler works with: the process-wide state, the windows and the
// download engine.
struct Context {
    AppState& state;
    WindowSurface& surface;
    EngineLibrary& engine;
};

}  // namespace quarrow
