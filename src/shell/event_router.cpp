#include "shell/event_router.h"

#include "shell/download_folder.h"
#include "shell/startup.h"

namespace quarrow {

void EventRouter::windowCreated(Window window) {
    if (window == Window::mainWindow) onMainWindowCreated(context_);
}

void EventRouter::windowClosing(Window window) {
    if (window == Window::mainWindow) onMainWindowClosing(context_);
}

void EventRouter::clicked(Button button) {
    if (button == Button::browseButton) browseFolder(context_.surface);
}

}  // namespace quarrow
