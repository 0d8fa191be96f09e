// Runs the shared surface tests against the in-memory surface.

#include "shell/memory/memory_surface.h"
#include "support/temp_folder.h"
#include "surface_contract.h"

namespace quarrow::testing {
namespace {

class MemoryDriver : public SurfaceDriver {
public:
    WindowSurface& surface() override { return surface_; }
    void clickCheckBox(List list, int row) override { surface_.toggleCheck(list, row); }
    void pressSpaceOnRow(List list, int row) override { surface_.toggleCheck(list, row); }
    bool isChecked(List list, int row) override { return surface_.isChecked(list, row); }
    void answerNextFolderChooser(const std::string& path) override { surface_.answerNextFolderChooser(path); }
    void answerNextMenu(std::optional<MenuItem> item) override { surface_.answerNextMenu(item); }
    void confirmNextMessageBox() override {}
    std::optional<SeenMessageBox> lastMessageBox() override {
        if (surface_.messages().empty()) return std::nullopt;
        const auto& last = surface_.messages().back();
        return SeenMessageBox{last.text, last.title};
    }
    int visibleMessageBoxes() override { return surface_.visibleMessageBoxes(); }
    bool hasPicture(Canvas canvas) override { return surface_.hasPicture(canvas); }
    std::string existingFolder() override { return folder_.gbk(); }
    bool isWindowOpen(Window window) override { return surface_.isOpen(window); }
    void whileModal(Window window, std::function<void()> action) override {
        surface_.whileModal(window, std::move(action));
    }

private:
    TempFolder folder_;
    MemorySurface surface_{folder_.gbk()};
};

}  // namespace

std::vector<DriverFactory> surfaceDrivers() {
    return {{"Memory", [] { return std::make_unique<MemoryDriver>(); }}};
}

}  // namespace quarrow::testing
