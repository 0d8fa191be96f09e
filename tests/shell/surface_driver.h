#pragma once

// What the shared surface tests need beyond the surface itself: acting as the
// user would, and looking at what the user would see. Each implementation of
// the surface has a driver of its own.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "shell/surface.h"

namespace quarrow::testing {

struct SeenMessageBox {
    std::string text;   // GBK
    std::string title;  // GBK
};

class SurfaceDriver {
public:
    virtual ~SurfaceDriver() = default;

    virtual WindowSurface& surface() = 0;

    // Ticks or unticks a fileList row as the user does: a click on its check box.
    virtual void clickCheckBox(List list, int row) = 0;
    // Focuses the row and presses the space bar on it.
    virtual void pressSpaceOnRow(List list, int row) = 0;
    virtual bool isChecked(List list, int row) = 0;

    // The next folder chooser is answered with this path (empty: cancelled).
    virtual void answerNextFolderChooser(const std::string& path) = 0;
    // The next pop-up menu is answered with this item, or closed without one.
    virtual void answerNextMenu(std::optional<MenuItem> item) = 0;
    // The next message box is read and then confirmed with OK.
    virtual void confirmNextMessageBox() = 0;
    virtual std::optional<SeenMessageBox> lastMessageBox() = 0;
    // Message boxes on screen now.
    virtual int visibleMessageBoxes() = 0;

    virtual bool hasPicture(Canvas canvas) = 0;
    // A folder on disk that lives as long as the driver (GBK path).
    virtual std::string existingFolder() = 0;
    virtual bool isWindowOpen(Window window) = 0;

    // Runs the action once the modal window has been created and shown.
    virtual void whileModal(Window window, std::function<void()> action) = 0;
};

}  // namespace quarrow::testing
