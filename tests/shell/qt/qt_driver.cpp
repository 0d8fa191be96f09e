#include "qt_driver.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStyleOptionViewItem>
#include <QTest>

#include "shell/native_path.h"
#include "shell/qt/controls.h"
#include "shell/qt/qt_text.h"

namespace quarrow::testing {

namespace {

QApplication* application = nullptr;

// An application destroyed along with the static objects would outlive
// Qt's own globals; it ends with the test run instead.
class ApplicationEnvironment : public ::testing::Environment {
public:
    void TearDown() override {
        delete application;
        application = nullptr;
    }
};

[[maybe_unused]] ::testing::Environment* const applicationEnvironment =
    ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

}  // namespace

void ensureApplication() {
    if (QApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "qt_surface_tests";
    static char* argv[] = {name, nullptr};
    application = new QApplication(argc, argv);
}

QtDriver::QtDriver() {
    ensureApplication();
    surface_ = std::make_unique<QtSurface>();
}

QtDriver::~QtDriver() {
    pollers_.clear();
    surface_.reset();
}

void QtDriver::whenReady(std::function<bool()> attempt) {
    auto poller = std::make_unique<QTimer>();
    QTimer* timer = poller.get();
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, attempt = std::move(attempt)] {
        if (attempt()) timer->stop();
    });
    timer->start();
    pollers_.push_back(std::move(poller));
}

void QtDriver::showMainWindow() {
    QWidget* window = surface_->windowWidget(Window::mainWindow);
    if (window->isVisible()) return;
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
}

ListView& QtDriver::listView(List list) {
    static const char* const names[] = {"fileList", "selectionList", "linkList", "downloadList"};
    auto* view = control<ListView>(names[static_cast<int>(list)]);
    EXPECT_NE(view, nullptr);
    return *view;
}

void QtDriver::clickCheckBox(List list, int row) {
    showMainWindow();
    ListView& view = listView(list);
    QTreeWidgetItem* item = view.topLevelItem(row);
    ASSERT_NE(item, nullptr);
    view.scrollToItem(item);
    // Where the item view draws the row's check box.
    QStyleOptionViewItem option;
    option.initFrom(&view);
    option.rect = view.visualRect(view.model()->index(row, 0));
    option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
    option.text = item->text(0);
    option.checkState = item->checkState(0);
    QRect box = view.style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, &view);
    ASSERT_TRUE(box.isValid());
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, box.center());
}

void QtDriver::pressSpaceOnRow(List list, int row) {
    showMainWindow();
    ListView& view = listView(list);
    QTreeWidgetItem* item = view.topLevelItem(row);
    ASSERT_NE(item, nullptr);
    view.setFocus();
    view.setCurrentItem(item);
    QTest::keyClick(&view, Qt::Key_Space);
}

bool QtDriver::isChecked(List list, int row) {
    QTreeWidgetItem* item = listView(list).topLevelItem(row);
    return item && item->checkState(0) == Qt::Checked;
}

void QtDriver::answerNextFolderChooser(const std::string& path) {
    whenReady([path] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) return false;
        if (path.empty()) {
            QTest::keyClick(dialog, Qt::Key_Escape);
            return true;
        }
        auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        auto* buttons = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        if (!field || !buttons) {
            ADD_FAILURE() << "the folder chooser has no path field";
            dialog->reject();
            return true;
        }
        field->setText(QString::fromStdString(nativePath(path)));
        for (QAbstractButton* button : buttons->buttons()) {
            if (buttons->buttonRole(button) == QDialogButtonBox::AcceptRole) {
                QTest::mouseClick(button, Qt::LeftButton);
                break;
            }
        }
        if (dialog->isVisible()) {
            ADD_FAILURE() << "the folder chooser did not take the path";
            dialog->reject();
        }
        return true;
    });
}

void QtDriver::answerNextMenu(std::optional<MenuItem> item) {
    whenReady([item] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu || !menu->isVisible()) return false;
        if (item) {
            for (QAction* action : menu->actions()) {
                if (action->data().toInt() == static_cast<int>(*item)) {
                    QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(action).center());
                    return true;
                }
            }
            ADD_FAILURE() << "the menu on screen lacks item " << static_cast<int>(*item);
        }
        QTest::keyClick(menu, Qt::Key_Escape);
        return true;
    });
}

void QtDriver::confirmNextMessageBox() {
    whenReady([this] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return false;
        lastMessageBox_ = SeenMessageBox{toGbk(box->text()), toGbk(box->windowTitle())};
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        return true;
    });
}

int QtDriver::visibleMessageBoxes() {
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (qobject_cast<QMessageBox*>(widget) && widget->isVisible()) ++count;
    return count;
}

bool QtDriver::hasPicture(Canvas) {
    auto* canvas = control<DrawingBoard>("captchaCanvas");
    return canvas && !canvas->picture().isNull();
}

std::string QtDriver::existingFolder() {
    if (!folder_) folder_.emplace();
    return folder_->gbk();
}

bool QtDriver::isWindowOpen(Window window) {
    return surface_->isOpen(window) && surface_->windowWidget(window)->isVisible();
}

void QtDriver::whileModal(Window window, std::function<void()> action) {
    whenReady([this, window, action = std::move(action)] {
        if (!isWindowOpen(window)) return false;
        action();
        return true;
    });
}

}  // namespace quarrow::testing
