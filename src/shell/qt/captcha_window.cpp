#include "shell/qt/captcha_window.h"

#include <QLineEdit>
#include <QPushButton>

#include "shell/qt/qt_text.h"

namespace quarrow {

CaptchaWindow buildCaptchaWindow(QWidget* owner) {
    CaptchaWindow captcha;
    captcha.window = new TopWindow(owner, Qt::FramelessWindowHint);
    QWidget* window = captcha.window;
    window->setObjectName(QStringLiteral("captchaWindow"));
    window->setFixedSize(kCaptchaWindowSize);
    // While it is open the rest of the program waits for the code.
    window->setWindowModality(Qt::ApplicationModal);

    captcha.prompt = new PressLabel(window);
    captcha.prompt->setObjectName(QStringLiteral("captchaPrompt"));
    captcha.prompt->setText(toQt("请输入验证码继续"));
    captcha.prompt->setWordWrap(true);
    placeControl(captcha.prompt, {8, 0, 104, 32});

    captcha.cancelButton = addButton(window, "captchaCancelButton", "取消", {120, 8, 112, 24});

    captcha.canvas = new DrawingBoard(window);
    captcha.canvas->setObjectName(QStringLiteral("captchaCanvas"));
    placeControl(captcha.canvas, {0, 40, 120, 64});

    captcha.box = addEditBox(window, "captchaBox", {120, 40, 112, 64});
    captcha.okButton = addButton(window, "captchaOkButton", "", {120, 192, 96, 40});
    return captcha;
}

}  // namespace quarrow
