#pragma once

// Moving a window by a press anywhere in it, as if on its title bar.

#include <QObject>
#include <QPoint>
#include <QPointF>
#include <QPointer>
#include <QWidget>

namespace quarrow {

class WindowMover : public QObject {
public:
    // Starts moving the window with the mouse; the left button went down at
    // pressGlobal and is still down. The window system moves it when it can;
    // otherwise the window follows the mouse until the button is released.
    void begin(QWidget* window, QPointF pressGlobal);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void end();

    bool following_ = false;
    QPointer<QWidget> window_;
    QPoint windowOrigin_;
    QPointF pressGlobal_;
};

}  // namespace quarrow
