#pragma once

// The widgets both windows are built from, and the rule that places them.

#include <QLabel>
#include <QPixmap>
#include <QPointF>
#include <QWidget>
#include <functional>

class QLineEdit;
class QPushButton;

namespace quarrow {

// A control's place in its window: x, y, width, height in pixels.
struct Place {
    int x;
    int y;
    int width;
    int height;
};

// Puts a control at its place. A control that lies wholly outside its
// window's area can never be seen or reached by the user: it is hidden and
// serves as a store that the program reads and writes.
void placeControl(QWidget* control, Place place);

// A top-level window that reports the user's attempt to close it instead of
// closing by itself; the owner decides what closing means.
class TopWindow : public QWidget {
    Q_OBJECT

public:
    TopWindow(QWidget* owner, Qt::WindowFlags flags);
    std::function<void()> onCloseRequest;

protected:
    void closeEvent(QCloseEvent* event) override;
};

// A label that reports presses of the left mouse button and remembers where
// the last one happened, so a window drag can start from there.
class PressLabel : public QLabel {
    Q_OBJECT

public:
    explicit PressLabel(QWidget* parent);
    std::function<void()> onLeftPress;
    // Whether the left button went down on the label and is still down.
    bool leftButtonDown() const { return leftDown_; }
    QPointF lastPressGlobal() const { return lastPressGlobal_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool leftDown_ = false;
    QPointF lastPressGlobal_;
};

// A drawing board that shows a picture as its background, drawn from the
// top-left corner, and reports presses of the left mouse button.
class DrawingBoard : public QWidget {
    Q_OBJECT

public:
    explicit DrawingBoard(QWidget* parent);
    std::function<void()> onLeftPress;
    void setPicture(const QPixmap& picture);
    const QPixmap& picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QPixmap picture_;
};

// Builders for the plain controls; texts are GBK. Each control is placed by
// placeControl and carries its name as its object name when it has one.
QLabel* addLabel(QWidget* window, const char* gbkText, Place place, bool transparent);
QLineEdit* addEditBox(QWidget* window, const char* name, Place place, bool readOnly = false);
QPushButton* addButton(QWidget* window, const char* name, const char* gbkText, Place place);

}  // namespace quarrow
