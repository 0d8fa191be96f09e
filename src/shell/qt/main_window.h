#pragma once

// The main window: its controls at their places, its list views with their
// columns, and its three pop-up menus.

#include <QSize>
#include <array>
#include <memory>

#include "shell/qt/controls.h"
#include "shell/qt/list_view.h"
#include "shell/surface.h"

class QLineEdit;
class QMenu;
class QPushButton;

namespace quarrow {

inline constexpr QSize kMainWindowSize{1190, 536};

struct MainWindow {
    std::unique_ptr<TopWindow> window;
    // Indexed by Box, up to linksTextBox; captchaBox lives in the
    // verification-code window.
    std::array<QLineEdit*, 6> boxes{};
    // Indexed by List.
    std::array<ListView*, 4> lists{};
    // Indexed by Button, up to pathConfigButton.
    std::array<QPushButton*, 6> buttons{};
    // Indexed by Menu. Each action carries its MenuItem as its data.
    std::array<QMenu*, 3> menus{};
};

MainWindow buildMainWindow();

}  // namespace quarrow
