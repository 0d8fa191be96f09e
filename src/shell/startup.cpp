#include "shell/startup.h"

#include "shell/download_folder.h"
#include "shell/event_router.h"

namespace quarrow {
namespace {

// Runs the exit routine once, however the scope is left.
class ExitRoutine {
public:
    explicit ExitRoutine(AppState& state) : state_(state) {}
    ~ExitRoutine() { shutDown(state_); }
    ExitRoutine(const ExitRoutine&) = delete;
    ExitRoutine& operator=(const ExitRoutine&) = delete;

private:
    AppState& state_;
};

}  // namespace

int startUp(WindowSurface& surface, EngineLibrary& engine) {
    AppState state;
    createGlobals(state);
    ExitRoutine exitRoutine(state);
    Context context{state, surface, engine};
    EventRouter router(context);
    surface.setEventSink(&router);
    surface.showModal(Window::mainWindow);
    surface.setEventSink(nullptr);
    return 0;
}

void onMainWindowCreated(Context& context) {
    loadDownloadFolder(context.surface);
    context.engine.XL_Init();
    context.state.captchaContinue = 1;
    context.state.captchaMode = false;
}

void onMainWindowClosing(Context& context) { context.engine.XL_UnInit(); }

}  // namespace quarrow
