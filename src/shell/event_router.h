#pragma once

#include "shell/context.h"

namespace quarrow {

// Sends each event of the windows to its handler.
class EventRouter : public SurfaceEvents {
public:
    explicit EventRouter(Context& context) : context_(context) {}

    void windowCreated(Window window) override;
    void windowClosing(Window window) override;
    void clicked(Button button) override;

private:
    Context& context_;
};

}  // namespace quarrow
