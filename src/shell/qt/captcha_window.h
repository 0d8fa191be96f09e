#pragma once

// The verification-code window: a small frameless window with a prompt that
// drags it, a cancel button, the challenge picture and the code box.

#include <QSize>

#include "shell/qt/controls.h"

class QLineEdit;
class QPushButton;

namespace quarrow {

inline constexpr QSize kCaptchaWindowSize{241, 112};

struct CaptchaWindow {
    TopWindow* window = nullptr;  // owned by the main window
    PressLabel* prompt = nullptr;
    QPushButton* cancelButton = nullptr;
    DrawingBoard* canvas = nullptr;
    QLineEdit* box = nullptr;
    QPushButton* okButton = nullptr;
};

CaptchaWindow buildCaptchaWindow(QWidget* owner);

}  // namespace quarrow
