#pragma once

#include "shell/context.h"

namespace quarrow {

// The program's life: creates the globals, shows the main window and runs its
// event loop until the window is gone, then releases the globals. Returns the
// exit code, 0.
int startUp(WindowSurface& surface, EngineLibrary& engine);

// The main window has been created: fill the folder box, start the engine.
void onMainWindowCreated(Context& context);

// The main window is about to go: stop the engine. Running downloads are left
// to the engine, which ends them.
void onMainWindowClosing(Context& context);

}  // namespace quarrow
