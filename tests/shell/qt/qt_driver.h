#pragma once

// Drives the Qt surface as a user would: real mouse and key events on the
// widgets, and dialogs answered once they are on screen.

#include <QTimer>
#include <memory>
#include <optional>
#include <vector>

#include "shell/qt/list_view.h"
#include "shell/qt/qt_surface.h"
#include "shell/surface_driver.h"
#include "support/temp_folder.h"

namespace quarrow::testing {

// The test program's QApplication, created on first use, drawing off screen
// unless told otherwise.
void ensureApplication();

class QtDriver : public SurfaceDriver {
public:
    QtDriver();
    ~QtDriver() override;

    WindowSurface& surface() override { return *surface_; }
    QtSurface& qtSurface() { return *surface_; }

    void clickCheckBox(List list, int row) override;
    void pressSpaceOnRow(List list, int row) override;
    bool isChecked(List list, int row) override;
    void answerNextFolderChooser(const std::string& path) override;
    void answerNextMenu(std::optional<MenuItem> item) override;
    void confirmNextMessageBox() override;
    std::optional<SeenMessageBox> lastMessageBox() override { return lastMessageBox_; }
    int visibleMessageBoxes() override;
    bool hasPicture(Canvas canvas) override;
    std::string existingFolder() override;
    bool isWindowOpen(Window window) override;
    void whileModal(Window window, std::function<void()> action) override;

    // Runs the attempt every few milliseconds while the event loop runs,
    // until it returns true.
    void whenReady(std::function<bool()> attempt);
    // Puts the main window on screen without opening it modally, so that the
    // user can reach its controls.
    void showMainWindow();
    ListView& listView(List list);
    // The named control of either window.
    template <typename Widget>
    Widget* control(const char* name) {
        return surface_->windowWidget(Window::mainWindow)->findChild<Widget*>(QString::fromLatin1(name));
    }

private:
    std::unique_ptr<QtSurface> surface_;
    std::optional<TempFolder> folder_;
    std::vector<std::unique_ptr<QTimer>> pollers_;
    std::optional<SeenMessageBox> lastMessageBox_;
};

}  // namespace quarrow::testing
