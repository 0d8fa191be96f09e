#include "shell/qt/qt_surface.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QDir>
#include <QEventLoop>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <array>
#include <vector>

#include "shell/native_path.h"
#include "shell/qt/captcha_window.h"
#include "shell/qt/dialogs.h"
#include "shell/qt/main_window.h"
#include "shell/qt/qt_text.h"
#include "shell/qt/window_mover.h"

namespace quarrow {
namespace {

template <typename Enum>
constexpr std::size_t at(Enum value) {
    return static_cast<std::size_t>(value);
}

constexpr QPoint kWindowPosition{50, 50};
// The verification-code window's timer runs at this period from the moment
// the window opens.
constexpr int kCaptchaTimerPeriod = 1;

}  // namespace

struct QtSurface::State {
    MainWindow main = buildMainWindow();
    CaptchaWindow captcha = buildCaptchaWindow(main.window.get());
    std::array<QTimer, 2> timers;
    std::array<int, 2> periods{};
    std::array<bool, 2> open{};
    // The loops of the showModal calls waiting for each window to close.
    std::array<std::vector<QEventLoop*>, 2> waiting;
    WindowMover mover;
    SurfaceEvents* sink = nullptr;
    std::function<std::string(const std::string&)> fetcher;

    QWidget* window(Window which) const {
        return which == Window::mainWindow ? static_cast<QWidget*>(main.window.get()) : captcha.window;
    }
    QLineEdit* box(Box which) const { return which == Box::captchaBox ? captcha.box : main.boxes[at(which)]; }
    ListView* list(List which) const { return main.lists[at(which)]; }
};

QtSurface::QtSurface() : state_(std::make_unique<State>()) {
    // The program ends when showModal of the main window returns, not when
    // its last window happens to close.
    QApplication::setQuitOnLastWindowClosed(false);
    connectEvents();
}

QtSurface::~QtSurface() = default;

template <typename Call>
void QtSurface::emitEvent(Call&& call) {
    if (state_->sink) call(*state_->sink);
}

void QtSurface::connectEvents() {
    State& s = *state_;
    for (std::size_t i = 0; i < s.main.buttons.size(); ++i) {
        auto button = static_cast<Button>(i);
        QObject::connect(s.main.buttons[i], &QPushButton::clicked, s.main.buttons[i],
                         [this, button] { emitEvent([&](SurfaceEvents& sink) { sink.clicked(button); }); });
    }
    QObject::connect(s.captcha.okButton, &QPushButton::clicked, s.captcha.okButton,
                     [this] { emitEvent([](SurfaceEvents& sink) { sink.clicked(Button::captchaOkButton); }); });
    QObject::connect(s.captcha.cancelButton, &QPushButton::clicked, s.captcha.cancelButton,
                     [this] { emitEvent([](SurfaceEvents& sink) { sink.clicked(Button::captchaCancelButton); }); });

    for (std::size_t i = 0; i < s.main.lists.size(); ++i) {
        auto list = static_cast<List>(i);
        ListView* view = s.main.lists[i];
        view->onDoubleClick = [this, list] { emitEvent([&](SurfaceEvents& sink) { sink.doubleClicked(list); }); };
        view->onRightClick = [this, list] { emitEvent([&](SurfaceEvents& sink) { sink.rightClicked(list); }); };
        view->onCheckChanged = [this, list](int row, bool checked) {
            emitEvent([&](SurfaceEvents& sink) { sink.checkChanged(list, row, checked); });
        };
    }

    for (std::size_t i = 0; i < s.timers.size(); ++i) {
        auto timer = static_cast<Timer>(i);
        s.timers[i].setTimerType(Qt::PreciseTimer);
        QObject::connect(&s.timers[i], &QTimer::timeout, &s.timers[i],
                         [this, timer] { emitEvent([&](SurfaceEvents& sink) { sink.timerFired(timer); }); });
    }

    s.captcha.canvas->onLeftPress = [this] {
        emitEvent([](SurfaceEvents& sink) { sink.pressed(Canvas::captchaCanvas); });
    };
    s.captcha.prompt->onLeftPress = [this] {
        emitEvent([](SurfaceEvents& sink) { sink.pressed(Label::captchaPrompt); });
    };
    s.main.window->onCloseRequest = [this] { closeWindow(Window::mainWindow); };
    s.captcha.window->onCloseRequest = [this] { closeWindow(Window::captchaWindow); };
}

void QtSurface::setUrlFetcher(std::function<std::string(const std::string&)> fetcher) {
    state_->fetcher = std::move(fetcher);
}

QWidget* QtSurface::windowWidget(Window window) const { return state_->window(window); }

bool QtSurface::isOpen(Window window) const { return state_->open[at(window)]; }

void QtSurface::setEventSink(SurfaceEvents* sink) { state_->sink = sink; }

std::string QtSurface::getText(Box box) const { return toGbk(state_->box(box)->text()); }

void QtSurface::setText(Box box, const std::string& text) { state_->box(box)->setText(toQt(text)); }

int QtSurface::getTimerPeriod(Timer timer) const { return state_->periods[at(timer)]; }

void QtSurface::setTimerPeriod(Timer timer, int ms) {
    state_->periods[at(timer)] = ms;
    QTimer& qtimer = state_->timers[at(timer)];
    if (ms > 0)
        qtimer.start(ms);
    else
        qtimer.stop();
}

int QtSurface::insertRow(List list) { return state_->list(list)->insertRow(); }

void QtSurface::setCell(List list, int row, int column, const std::string& text) {
    state_->list(list)->setCell(row, column, text);
}

std::string QtSurface::getCell(List list, int row, int column) const { return state_->list(list)->cell(row, column); }

int QtSurface::rowCount(List list) const { return state_->list(list)->rows(); }

void QtSurface::deleteRow(List list, int row) { state_->list(list)->deleteRow(row); }

void QtSurface::clearRows(List list) { state_->list(list)->clearRows(); }

void QtSurface::setChecked(List list, int row, bool checked) { state_->list(list)->setChecked(row, checked); }

int QtSurface::findRow(List list, const std::string& text) const { return state_->list(list)->findRow(text); }

void QtSurface::ensureVisible(List list, int row) { state_->list(list)->ensureRowVisible(row); }

int QtSurface::getCurrentRow(List list) const { return state_->list(list)->selectedRow(); }

void QtSurface::setCurrentRow(List list, int row) { state_->list(list)->selectRow(row); }

void QtSurface::popupMenu(Menu menu) {
    // The chosen item's event is raised once the menu has closed, before the
    // call returns.
    QAction* chosen = state_->main.menus[at(menu)]->exec(QCursor::pos());
    if (!chosen) return;
    auto item = static_cast<MenuItem>(chosen->data().toInt());
    emitEvent([&](SurfaceEvents& sink) { sink.menuItemChosen(item); });
}

void QtSurface::setPicture(Canvas, const std::string& imageBytes) {
    QImage image;
    bool loaded =
        image.loadFromData(reinterpret_cast<const uchar*>(imageBytes.data()), static_cast<int>(imageBytes.size()));
    state_->captcha.canvas->setPicture(loaded ? QPixmap::fromImage(image) : QPixmap());
}

void QtSurface::showModal(Window window) {
    State& s = *state_;
    std::size_t index = at(window);
    if (!s.open[index]) {
        QWidget* widget = s.window(window);
        if (window == Window::captchaWindow) {
            // A new verification-code window starts blank: a code or a
            // picture left from an earlier challenge must not be taken for
            // the answer to this one.
            s.captcha.box->clear();
            s.captcha.canvas->setPicture(QPixmap());
            setTimerPeriod(Timer::captchaTimer, kCaptchaTimerPeriod);
        }
        s.open[index] = true;
        widget->move(kWindowPosition);
        widget->show();
        widget->raise();
        widget->activateWindow();
        if (window == Window::captchaWindow) s.captcha.box->setFocus();
        emitEvent([&](SurfaceEvents& sink) { sink.windowCreated(window); });
    }
    if (!s.open[index]) return;  // closed by its created event already
    QEventLoop loop;
    s.waiting[index].push_back(&loop);
    loop.exec();
    std::erase(s.waiting[index], &loop);
}

void QtSurface::closeWindow(Window window) {
    State& s = *state_;
    std::size_t index = at(window);
    if (!s.open[index]) return;
    s.open[index] = false;
    if (window == Window::mainWindow) emitEvent([](SurfaceEvents& sink) { sink.windowClosing(Window::mainWindow); });
    // The window's timer dies with it.
    if (window == Window::captchaWindow) setTimerPeriod(Timer::captchaTimer, 0);
    s.window(window)->hide();
    for (QEventLoop* loop : s.waiting[index]) loop->quit();
}

std::intptr_t QtSurface::sendWindowMessage(Window window, unsigned message, std::uintptr_t wParam, std::intptr_t) {
    State& s = *state_;
    // A left press on the caption: the user moves the window from where the
    // button went down.
    if (message == WM_NCLBUTTONDOWN && wParam == HTCAPTION && s.open[at(window)]) {
        QPointF pressed = QCursor::pos();
        if (window == Window::captchaWindow && s.captcha.prompt->leftButtonDown())
            pressed = s.captcha.prompt->lastPressGlobal();
        s.mover.begin(s.window(window), pressed);
    }
    return 0;
}

void QtSurface::messageBox(const std::string& text, const std::string& title) {
    runMessageBox(nullptr, toQt(text), toQt(title));
}

void QtSurface::timedMessageBox(const std::string& text, const std::string& title, int ms) {
    runMessageBox(state_->main.window.get(), toQt(text), toQt(title), ms);
}

std::string QtSurface::getClipboardText() { return toGbk(QGuiApplication::clipboard()->text()); }

void QtSurface::setClipboardText(const std::string& text) { QGuiApplication::clipboard()->setText(toQt(text)); }

std::string QtSurface::browseForFolder(const std::string& prompt) {
    QString folder = chooseFolder(QApplication::activeWindow(), toQt(prompt));
    if (folder.isEmpty()) return {};
    return gbkPath(folder.toUtf8().toStdString());
}

std::string QtSurface::programDirectory() const {
    return gbkPath(QDir::cleanPath(QCoreApplication::applicationDirPath()).toUtf8().toStdString());
}

void QtSurface::pumpEvents(int ms) {
    if (ms <= 0) {
        processEvents();
        return;
    }
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(ms);
    loop.exec();
}

void QtSurface::processEvents() { QCoreApplication::processEvents(); }

std::string QtSurface::fetchUrl(const std::string& url) {
    return state_->fetcher ? state_->fetcher(url) : std::string();
}

}  // namespace quarrow
