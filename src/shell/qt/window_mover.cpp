#include "shell/qt/window_mover.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWindow>

namespace quarrow {

void WindowMover::begin(QWidget* window, QPointF pressGlobal) {
    end();
    QWindow* handle = window->windowHandle();
    if (handle && handle->startSystemMove()) return;
    window_ = window;
    windowOrigin_ = window->pos();
    pressGlobal_ = pressGlobal;
    following_ = true;
    QCoreApplication::instance()->installEventFilter(this);
}

void WindowMover::end() {
    if (!following_) return;
    following_ = false;
    QCoreApplication::instance()->removeEventFilter(this);
    window_.clear();
}

bool WindowMover::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseMove: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (!(mouse->buttons() & Qt::LeftButton)) {
                end();  // the release went elsewhere
                break;
            }
            if (window_) window_->move(windowOrigin_ + (mouse->globalPosition() - pressGlobal_).toPoint());
            return true;
        }
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) end();
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace quarrow
