#include "shell/qt/controls.h"

#include <QCloseEvent>
#include <QFont>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include "shell/qt/qt_text.h"

namespace quarrow {

void placeControl(QWidget* control, Place place) {
    QRect rect(place.x, place.y, place.width, place.height);
    control->setGeometry(rect);
    QWidget* window = control->window();
    // The window's own size is set before its controls are placed.
    control->setVisible(QRect(QPoint(0, 0), window->size()).intersects(rect));
}

TopWindow::TopWindow(QWidget* owner, Qt::WindowFlags flags) : QWidget(owner, flags | Qt::Window) {
    // The controls' places were laid out for a 12-pixel font.
    QFont font = this->font();
    font.setPixelSize(12);
    setFont(font);
}

void TopWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (onCloseRequest) onCloseRequest();
}

PressLabel::PressLabel(QWidget* parent) : QLabel(parent) {}

void PressLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QLabel::mousePressEvent(event);
    leftDown_ = true;
    lastPressGlobal_ = event->globalPosition();
    if (onLeftPress) onLeftPress();
}

void PressLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) leftDown_ = false;
    QLabel::mouseReleaseEvent(event);
}

DrawingBoard::DrawingBoard(QWidget* parent) : QWidget(parent) {}

void DrawingBoard::setPicture(const QPixmap& picture) {
    picture_ = picture;
    update();
}

void DrawingBoard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (!picture_.isNull()) painter.drawPixmap(0, 0, picture_);
}

void DrawingBoard::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && onLeftPress) onLeftPress();
}

QLabel* addLabel(QWidget* window, const char* gbkText, Place place, bool transparent) {
    auto* label = new QLabel(toQt(gbkText), window);
    // A caption too wide for its place goes on in a second line where the
    // place has room for one (the tall "密码：" caption); elsewhere its end
    // is cut off rather than both lines.
    label->setWordWrap(place.height >= 2 * label->fontMetrics().height());
    label->setAutoFillBackground(!transparent);
    placeControl(label, place);
    return label;
}

QLineEdit* addEditBox(QWidget* window, const char* name, Place place, bool readOnly) {
    auto* box = new QLineEdit(window);
    if (name) box->setObjectName(QString::fromLatin1(name));
    box->setReadOnly(readOnly);
    placeControl(box, place);
    return box;
}

QPushButton* addButton(QWidget* window, const char* name, const char* gbkText, Place place) {
    auto* button = new QPushButton(toQt(gbkText), window);
    if (name) button->setObjectName(QString::fromLatin1(name));
    placeControl(button, place);
    return button;
}

}  // namespace quarrow
