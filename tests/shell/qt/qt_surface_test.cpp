// The Qt surface's own behaviour: what the user sees of both windows, and
// the gestures and dialogs the shared tests cannot express.

#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QFileDialog>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "qt_driver.h"
#include "shell/native_path.h"
#include "shell/qt/controls.h"
#include "shell/qt/qt_text.h"

namespace quarrow::testing {
namespace {

struct Recorder : SurfaceEvents {
    std::vector<Window> created;
    std::vector<Window> closing;
    std::vector<List> doubleClicks;
    std::vector<List> rightClicks;
    std::vector<std::pair<int, bool>> checks;
    std::vector<MenuItem> items;
    std::vector<Button> clicks;
    int canvasPresses = 0;
    int promptPresses = 0;
    std::function<void(Window)> onCreated;
    std::function<void()> onPromptPressed;

    void windowCreated(Window window) override {
        created.push_back(window);
        if (onCreated) onCreated(window);
    }
    void windowClosing(Window window) override { closing.push_back(window); }
    void doubleClicked(List list) override { doubleClicks.push_back(list); }
    void rightClicked(List list) override { rightClicks.push_back(list); }
    void checkChanged(List, int row, bool checked) override { checks.emplace_back(row, checked); }
    void menuItemChosen(MenuItem item) override { items.push_back(item); }
    void clicked(Button button) override { clicks.push_back(button); }
    void pressed(Canvas) override { ++canvasPresses; }
    void pressed(Label) override {
        ++promptPresses;
        if (onPromptPressed) onPromptPressed();
    }
};

// The text a label, button or edit box shows.
QString textOf(QWidget* widget) {
    if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
    if (auto* box = qobject_cast<QLineEdit*>(widget)) return box->text();
    return {};
}

struct ExpectedControl {
    const char* name;  // object name, or null for a caption found by its text
    const char* kind;  // Qt class the control is
    const char* text;  // GBK
    QRect place;
};

class QtSurfaceTest : public ::testing::Test {
public:
    void SetUp() override { surface().setEventSink(&events); }
    void TearDown() override { surface().setEventSink(nullptr); }

    QtSurface& surface() { return driver.qtSurface(); }
    QWidget* window(Window which) { return surface().windowWidget(which); }
    template <typename Widget>
    Widget* control(const char* name) {
        auto* widget = driver.control<Widget>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QLabel* labelWithText(QWidget* owner, const char* gbkText) {
        for (QLabel* label : owner->findChildren<QLabel*>())
            if (label->text() == toQt(gbkText)) return label;
        ADD_FAILURE() << "no label " << gbkText;
        return nullptr;
    }
    // Each control is found (by name, or a caption by its text) at its place,
    // of its kind, with its text, shown or hidden.
    template <std::size_t N>
    void expectControls(const ExpectedControl (&expectations)[N], bool visible) {
        QWidget* main = window(Window::mainWindow);
        for (const ExpectedControl& expected : expectations) {
            SCOPED_TRACE(expected.name ? expected.name : expected.text);
            QWidget* widget = expected.name ? control<QWidget>(expected.name) : labelWithText(main, expected.text);
            ASSERT_NE(widget, nullptr);
            EXPECT_TRUE(widget->inherits(expected.kind));
            EXPECT_EQ(widget->isVisibleTo(main), visible);
            EXPECT_EQ(widget->geometry(), expected.place);
            EXPECT_EQ(textOf(widget), toQt(expected.text));
        }
    }
    // Runs the check while the window is open, then closes it.
    void whileOpen(Window which, std::function<void()> check) {
        events.onCreated = [this, which, check = std::move(check)](Window opened) {
            if (opened != which) return;
            check();
            surface().closeWindow(which);
        };
        surface().showModal(which);
    }

    QtDriver driver;
    Recorder events;
};

// --- the main window ---

TEST_F(QtSurfaceTest, MainWindowOpensTitledAtItsPlaceAndSize) {
    whileOpen(Window::mainWindow, [&] {
        QWidget* main = window(Window::mainWindow);
        EXPECT_TRUE(main->isVisible());
        EXPECT_EQ(main->windowTitle(), QStringLiteral("Quarrow_313"));
        EXPECT_EQ(main->frameGeometry().topLeft(), QPoint(50, 50));
        EXPECT_EQ(main->size(), QSize(1190, 536));
    });
    EXPECT_EQ(events.created, std::vector<Window>{Window::mainWindow});
}

TEST_F(QtSurfaceTest, ClosingTheMainWindowRaisesClosingAndEndsShowModal) {
    struct Case {
        const char* name;
        std::function<void(QtSurfaceTest&)> close;
    };
    const Case cases[] = {
        {"by the program", [](QtSurfaceTest& t) { t.surface().closeWindow(Window::mainWindow); }},
        {"by the user", [](QtSurfaceTest& t) { t.window(Window::mainWindow)->close(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        events.closing.clear();
        std::vector<Window> closingWhileShown;
        events.onCreated = [&](Window) {
            // Close from inside the running loop, as a later event would.
            QTimer::singleShot(0, [&] {
                c.close(*this);
                if (window(Window::mainWindow)->isVisible()) closingWhileShown = events.closing;
            });
        };
        surface().showModal(Window::mainWindow);
        EXPECT_EQ(events.closing, std::vector<Window>{Window::mainWindow});
        EXPECT_FALSE(window(Window::mainWindow)->isVisible());
        EXPECT_TRUE(closingWhileShown.empty());
    }
}

TEST_F(QtSurfaceTest, ShowModalReturnsAtOnceWhenTheCreatedHandlerClosesTheWindow) {
    events.onCreated = [&](Window which) { surface().closeWindow(which); };
    surface().showModal(Window::captchaWindow);
    surface().showModal(Window::mainWindow);
    EXPECT_EQ(events.created, (std::vector<Window>{Window::captchaWindow, Window::mainWindow}));
    EXPECT_EQ(events.closing, std::vector<Window>{Window::mainWindow});
}

TEST_F(QtSurfaceTest, VisibleControlsSitAtTheirPlacesWithTheirTexts) {
    const ExpectedControl expectations[] = {
        {"fileList", "QTreeWidget", "", {0, 0, 480, 216}},
        {nullptr, "QLabel", "链接：", {8, 224, 40, 32}},
        {"linkBox", "QLineEdit", "", {40, 224, 152, 32}},
        {nullptr, "QLabel", "密码：", {200, 216, 32, 48}},
        {"passwordBox", "QLineEdit", "", {232, 224, 88, 32}},
        {"getButton", "QPushButton", "获取", {328, 224, 72, 32}},
        {"clipboardButton", "QPushButton", "剪贴板", {408, 224, 64, 32}},
        {"linkList", "QTreeWidget", "", {0, 264, 480, 208}},
        {nullptr, "QLabel", "下载目录：", {0, 480, 56, 24}},
        {"folderBox", "QLineEdit", "", {64, 480, 304, 24}},
        {"browseButton", "QPushButton", "浏览...", {376, 480, 96, 24}},
        {"downloadList", "QTreeWidget", "", {480, 0, 704, 504}},
    };
    expectControls(expectations, true);
    QWidget* main = window(Window::mainWindow);
    // Only the folder box is closed to typing; the captions of the two
    // boxes above it let the list show through.
    EXPECT_TRUE(control<QLineEdit>("folderBox")->isReadOnly());
    EXPECT_FALSE(control<QLineEdit>("linkBox")->isReadOnly());
    EXPECT_FALSE(control<QLineEdit>("passwordBox")->isReadOnly());
    EXPECT_FALSE(labelWithText(main, "链接：")->autoFillBackground());
    EXPECT_FALSE(labelWithText(main, "密码：")->autoFillBackground());
    EXPECT_TRUE(labelWithText(main, "下载目录：")->autoFillBackground());
}

TEST_F(QtSurfaceTest, WorkingControlsOutsideTheWindowAreHiddenStores) {
    const ExpectedControl expectations[] = {
        {"downloadUrlBox", "QLineEdit", "", {456, 616, 384, 24}},
        {nullptr, "QLabel", "下载地址：", {392, 616, 72, 24}},
        {"fileNameBox", "QLineEdit", "", {456, 648, 128, 24}},
        {nullptr, "QLabel", "文件名：", {392, 648, 56, 24}},
        {"downloadButton", "QPushButton", "下载", {848, 616, 96, 24}},
        {"selectionList", "QTreeWidget", "", {-16, 920, 112, 184}},
        {"linksTextBox", "QLineEdit", "", {-32, 864, 480, 160}},
        {"copyLinksButton", "QPushButton", "复制链接", {112, 952, 144, 24}},
        {"pathConfigButton", "QPushButton", "下载路径配置", {256, 952, 152, 24}},
    };
    expectControls(expectations, false);
    EXPECT_TRUE(control<QLineEdit>("linksTextBox")->isReadOnly());
    surface().setText(Box::downloadUrlBox, "http://d.example/文件.zip");
    EXPECT_EQ(surface().getText(Box::downloadUrlBox), "http://d.example/文件.zip");
}

TEST_F(QtSurfaceTest, WorkingButtonsReportClicks) {
    const std::pair<const char*, Button> buttons[] = {
        {"getButton", Button::getButton},
        {"clipboardButton", Button::clipboardButton},
        {"browseButton", Button::browseButton},
        {"downloadButton", Button::downloadButton},
        {"copyLinksButton", Button::copyLinksButton},
        {"pathConfigButton", Button::pathConfigButton},
        {"captchaOkButton", Button::captchaOkButton},
        {"captchaCancelButton", Button::captchaCancelButton},
    };
    std::vector<Button> expected;
    for (const auto& [name, button] : buttons) {
        // Hidden buttons cannot be clicked by the mouse; the program clicks them.
        control<QPushButton>(name)->click();
        expected.push_back(button);
    }
    EXPECT_EQ(events.clicks, expected);
}

TEST_F(QtSurfaceTest, ListViewsHaveTheirColumnsTitlesAndWidths) {
    struct ExpectedList {
        const char* name;
        std::vector<std::pair<const char*, int>> columns;
        bool checkBoxes;
    };
    const ExpectedList expectations[] = {
        {"fileList",
         {{"序号", 50}, {"名称", 300}, {"大小", 120}, {"FS_ID", 0}, {"文件夹打开路径", 0}, {"shareid", 0}},
         true},
        {"selectionList", {{"选中", 100}, {"fs", 50}}, false},
        {"linkList", {{"序号", 50}, {"名称", 275}, {"下载链接", 150}, {"zip", 0}}, false},
        {"downloadList",
         {{"     文件名", 110},
          {"文件总大小", 130},
          {"已下载速度", 130},
          {"下载速度", 110},
          {"下载进度", 110},
          {"是否完成", 110}},
         false},
    };
    for (const ExpectedList& expected : expectations) {
        SCOPED_TRACE(expected.name);
        auto* view = control<ListView>(expected.name);
        ASSERT_NE(view, nullptr);
        ASSERT_EQ(view->columnCount(), static_cast<int>(expected.columns.size()));
        for (int i = 0; i < view->columnCount(); ++i) {
            EXPECT_EQ(view->headerItem()->text(i), toQt(expected.columns[i].first)) << i;
            EXPECT_EQ(view->columnWidth(i), expected.columns[i].second) << i;
        }
        int row = view->insertRow();
        QTreeWidgetItem* item = view->topLevelItem(row);
        EXPECT_EQ(bool(item->flags() & Qt::ItemIsUserCheckable), expected.checkBoxes);
        EXPECT_EQ(item->data(0, Qt::CheckStateRole).isValid(), expected.checkBoxes);
    }
}

TEST_F(QtSurfaceTest, RightClickAnywhereOnAListRaisesRightClicked) {
    driver.showMainWindow();
    for (List list : {List::fileList, List::linkList, List::downloadList}) {
        events.rightClicks.clear();
        ListView& view = driver.listView(list);
        // On the empty list, then on its second row, which it selects.
        QTest::mouseClick(view.viewport(), Qt::RightButton, Qt::NoModifier, QPoint(40, 100));
        surface().setCell(list, surface().insertRow(list), 0, "a");
        surface().setCell(list, surface().insertRow(list), 0, "b");
        QRect second = view.visualRect(view.model()->index(1, 1));
        QTest::mouseClick(view.viewport(), Qt::RightButton, Qt::NoModifier, second.center());
        EXPECT_EQ(events.rightClicks, (std::vector<List>{list, list}));
        EXPECT_EQ(surface().getCurrentRow(list), 1);
        // A left click is no right click.
        QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, second.center());
        EXPECT_EQ(events.rightClicks.size(), 2u);
    }
}

TEST_F(QtSurfaceTest, DoubleClickOnAListRaisesDoubleClicked) {
    driver.showMainWindow();
    ListView& view = driver.listView(List::fileList);
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(40, 150));
    surface().setCell(List::fileList, surface().insertRow(List::fileList), 1, "folder");
    QPoint name = view.visualRect(view.model()->index(0, 1)).center();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, name);
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, name);
    EXPECT_EQ(events.doubleClicks, (std::vector<List>{List::fileList, List::fileList}));
    EXPECT_EQ(surface().getCurrentRow(List::fileList), 0);
    QTest::mouseDClick(view.viewport(), Qt::RightButton, Qt::NoModifier, name);
    EXPECT_EQ(events.doubleClicks.size(), 2u);
}

TEST_F(QtSurfaceTest, SpaceTicksTheFocusedRowFromAnyOfItsCells) {
    driver.showMainWindow();
    ListView& view = driver.listView(List::fileList);
    for (int i = 0; i < 2; ++i) surface().setCell(List::fileList, surface().insertRow(List::fileList), 1, "name");
    // A click on the name focuses the row without ticking it.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier,
                      view.visualRect(view.model()->index(1, 1)).center());
    EXPECT_TRUE(events.checks.empty());
    EXPECT_FALSE(driver.isChecked(List::fileList, 1));
    QTest::keyClick(&view, Qt::Key_Space);
    EXPECT_EQ(events.checks, (std::vector<std::pair<int, bool>>{{1, true}}));
    EXPECT_TRUE(driver.isChecked(List::fileList, 1));
    EXPECT_FALSE(driver.isChecked(List::fileList, 0));
}

TEST_F(QtSurfaceTest, ListsWithoutCheckBoxesIgnoreTicks) {
    int row = surface().insertRow(List::linkList);
    surface().setChecked(List::linkList, row, true);
    driver.showMainWindow();
    ListView& view = driver.listView(List::linkList);
    surface().setCurrentRow(List::linkList, row);
    QTest::keyClick(&view, Qt::Key_Space);
    EXPECT_FALSE(driver.isChecked(List::linkList, row));
    EXPECT_TRUE(events.checks.empty());
}

// --- menus ---

TEST_F(QtSurfaceTest, MenusHoldTheirItemsInOrder) {
    const std::pair<const char*, std::vector<const char*>> menus[] = {
        {"fileMenu",
         {"全选", "解析勾选", "解析为压缩文件", "进入文件夹", "返回上一页文件夹", "取消全部选择", "全部删除"}},
        {"linkMenu", {"复制选中链接", "下载选中链接", "导出全部纯链接", "导出全部&_名&+链接"}},
        {"downloadMenu", {"暂停", "继续", "删除", "删除临时文件"}},
    };
    for (const auto& [name, texts] : menus) {
        SCOPED_TRACE(name);
        auto* menu = control<QMenu>(name);
        ASSERT_NE(menu, nullptr);
        QStringList shown;
        for (QAction* action : menu->actions()) shown << action->text();
        QStringList expected;
        for (const char* text : texts) expected << toQt(text);
        EXPECT_EQ(shown, expected);
    }
}

TEST_F(QtSurfaceTest, EveryMenuItemRaisesItsOwnEvent) {
    auto menuOf = [](MenuItem item) {
        if (item < MenuItem::copySelectedLink) return Menu::fileMenu;
        if (item < MenuItem::pauseCommand) return Menu::linkMenu;
        return Menu::downloadMenu;
    };
    std::vector<MenuItem> expected;
    for (int i = 0; i <= static_cast<int>(MenuItem::deleteTempCommand); ++i) {
        auto item = static_cast<MenuItem>(i);
        driver.answerNextMenu(item);
        surface().popupMenu(menuOf(item));
        expected.push_back(item);
    }
    EXPECT_EQ(events.items, expected);
}

// --- the verification-code window ---

TEST_F(QtSurfaceTest, CaptchaWindowIsFramelessModalAndLaidOut) {
    whileOpen(Window::captchaWindow, [&] {
        QWidget* captcha = window(Window::captchaWindow);
        EXPECT_TRUE(captcha->isVisible());
        EXPECT_TRUE(captcha->windowFlags() & Qt::FramelessWindowHint);
        EXPECT_EQ(captcha->windowModality(), Qt::ApplicationModal);
        EXPECT_EQ(captcha->frameGeometry(), QRect(50, 50, 241, 112));
        EXPECT_EQ(surface().getTimerPeriod(Timer::captchaTimer), 1);

        const ExpectedControl expectations[] = {
            {"captchaPrompt", "QLabel", "请输入验证码继续", {8, 0, 104, 32}},
            {"captchaCancelButton", "QPushButton", "取消", {120, 8, 112, 24}},
            {"captchaCanvas", "quarrow::DrawingBoard", "", {0, 40, 120, 64}},
            {"captchaBox", "QLineEdit", "", {120, 40, 112, 64}},
        };
        for (const ExpectedControl& expected : expectations) {
            SCOPED_TRACE(expected.name);
            auto* widget = control<QWidget>(expected.name);
            ASSERT_NE(widget, nullptr);
            EXPECT_EQ(widget->window(), captcha);
            EXPECT_TRUE(widget->isVisibleTo(captcha));
            EXPECT_EQ(widget->geometry(), expected.place);
            EXPECT_TRUE(widget->inherits(expected.kind));
            EXPECT_EQ(textOf(widget), toQt(expected.text));
        }
        auto* ok = control<QPushButton>("captchaOkButton");
        EXPECT_FALSE(ok->isVisibleTo(captcha));
        EXPECT_EQ(ok->geometry(), QRect(120, 192, 96, 40));
        EXPECT_EQ(ok->text(), QString());
    });
    EXPECT_FALSE(window(Window::captchaWindow)->isVisible());
    EXPECT_EQ(surface().getTimerPeriod(Timer::captchaTimer), 0);  // the timer dies with the window
    EXPECT_TRUE(events.closing.empty());
}

TEST_F(QtSurfaceTest, ReopenedCaptchaWindowStartsBlank) {
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(image.save(&buffer, "PNG"));
    surface().setText(Box::captchaBox, "ab3d");
    surface().setPicture(Canvas::captchaCanvas, png.toStdString());
    whileOpen(Window::captchaWindow, [&] {
        EXPECT_EQ(surface().getText(Box::captchaBox), "");
        EXPECT_FALSE(driver.hasPicture(Canvas::captchaCanvas));
        surface().setText(Box::captchaBox, "x9");
    });
    // What the window held stays readable after it closed.
    EXPECT_EQ(surface().getText(Box::captchaBox), "x9");
}

TEST_F(QtSurfaceTest, DraggingThePromptMovesTheCaptchaWindow) {
    events.onPromptPressed = [&] {
        EXPECT_EQ(surface().sendWindowMessage(Window::captchaWindow, WM_NCLBUTTONDOWN, HTCAPTION, 0), 0);
    };
    whileOpen(Window::captchaWindow, [&] {
        QWidget* captcha = window(Window::captchaWindow);
        auto* prompt = control<QLabel>("captchaPrompt");
        QTest::mousePress(prompt, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
        QTest::mouseMove(prompt, QPoint(40, 25));
        EXPECT_EQ(captcha->pos(), QPoint(80, 65));
        QTest::mouseRelease(prompt, Qt::LeftButton, Qt::NoModifier, QPoint(40, 25));
        // Once the button is up the window stays where it was left.
        QTest::mousePress(control<QWidget>("captchaBox"), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        QTest::mouseMove(control<QWidget>("captchaBox"), QPoint(60, 40));
        QTest::mouseRelease(control<QWidget>("captchaBox"), Qt::LeftButton, Qt::NoModifier, QPoint(60, 40));
        EXPECT_EQ(captcha->pos(), QPoint(80, 65));
    });
    EXPECT_EQ(events.promptPresses, 1);
    // Other messages are answered with 0 and do nothing.
    EXPECT_EQ(surface().sendWindowMessage(Window::captchaWindow, 0x0010, 0, 0), 0);
}

TEST_F(QtSurfaceTest, LeftPressesOnCanvasAndPromptRaiseTheirEvents) {
    whileOpen(Window::captchaWindow, [&] {
        for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
            QTest::mouseClick(control<QWidget>("captchaCanvas"), button);
            QTest::mouseClick(control<QWidget>("captchaPrompt"), button);
        }
    });
    EXPECT_EQ(events.canvasPresses, 1);
    EXPECT_EQ(events.promptPresses, 1);
}

TEST_F(QtSurfaceTest, SetPictureTakesCommonImageFormatsAndDropsOtherBytes) {
    struct Picture {
        const char* format;
        std::string bytes;
        QSize size;
    };
    std::vector<Picture> pictures;
    for (const char* format : {"PNG", "JPEG", "BMP"}) {
        QImage image(12, 8, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(image.save(&buffer, format)) << format;
        pictures.push_back({format, bytes.toStdString(), QSize(12, 8)});
    }
    // Qt reads GIF but does not write it: a 1x1 GIF by hand.
    pictures.push_back({"GIF",
                        std::string("GIF89a\x01\0\x01\0\x80\0\0\xff\xff\xff\0\0\0!\xf9\x04\x01\0\0\0\0"
                                    ",\0\0\0\0\x01\0\x01\0\0\x02\x02\x44\x01\0;",
                                    43),
                        QSize(1, 1)});
    for (const Picture& picture : pictures) {
        SCOPED_TRACE(picture.format);
        surface().setPicture(Canvas::captchaCanvas, picture.bytes);
        ASSERT_TRUE(driver.hasPicture(Canvas::captchaCanvas));
        EXPECT_EQ(control<DrawingBoard>("captchaCanvas")->picture().size(), picture.size);
    }
    for (const std::string& bytes : {std::string(), std::string(1, '\0'), std::string("GIF89a\x01\x02 broken")}) {
        surface().setPicture(Canvas::captchaCanvas, pictures.front().bytes);
        surface().setPicture(Canvas::captchaCanvas, bytes);
        EXPECT_FALSE(driver.hasPicture(Canvas::captchaCanvas)) << bytes.size();
    }
}

// --- services ---

TEST_F(QtSurfaceTest, MessageBoxesArePlainWithOneOkButton) {
    struct Seen {
        QMessageBox::Icon icon = QMessageBox::Question;
        int buttons = 0;
        QWidget* owner = nullptr;
        Qt::WindowModality modality = Qt::NonModal;
        QString text;
    };
    struct Case {
        const char* name;
        std::function<void(QtSurface&)> show;
        QWidget* owner;
        Qt::WindowModality modality;
    };
    const Case cases[] = {
        {"messageBox", [](QtSurface& s) { s.messageBox("<b>密码错误</b>", "提示"); }, nullptr, Qt::ApplicationModal},
        // Long enough that the user's OK comes first.
        {"timedMessageBox", [](QtSurface& s) { s.timedMessageBox("<b>密码错误</b>", "提示", 60000); },
         window(Window::mainWindow), Qt::WindowModal},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Seen seen;
        driver.whenReady([&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible()) return false;
            seen = {box->icon(), static_cast<int>(box->buttons().size()), box->parentWidget(), box->windowModality(),
                    box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))->text()};
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
            return true;
        });
        auto started = std::chrono::steady_clock::now();
        c.show(surface());
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
        EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
        EXPECT_EQ(seen.buttons, 1);
        EXPECT_EQ(seen.owner, c.owner);
        EXPECT_EQ(seen.modality, c.modality);
        EXPECT_EQ(seen.text, toQt("<b>密码错误</b>"));  // shown as written, not as markup
    }
}

TEST_F(QtSurfaceTest, FolderChooserShowsThePromptAndGivesPathsWithoutTrailingSeparator) {
    QString title;
    bool pathField = false;
    driver.whenReady([&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) return false;
        title = dialog->windowTitle();
        pathField = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) != nullptr;
        dialog->reject();
        return true;
    });
    EXPECT_EQ(surface().browseForFolder("请选择保存文件夹:"), "");
    EXPECT_EQ(title, toQt("请选择保存文件夹:"));
    EXPECT_TRUE(pathField);

    std::string folder = driver.existingFolder();
    const std::pair<std::string, std::string> cases[] = {{folder + "/", folder}, {"/", "/"}};
    for (const auto& [typed, chosen] : cases) {
        driver.answerNextFolderChooser(typed);
        EXPECT_EQ(surface().browseForFolder("请选择保存文件夹:"), chosen) << typed;
    }
}

TEST_F(QtSurfaceTest, PumpEventsWaitsWithoutSpinning) {
    std::clock_t cpuBefore = std::clock();
    auto started = std::chrono::steady_clock::now();
    surface().pumpEvents(300);
    auto waited = std::chrono::steady_clock::now() - started;
    double cpuSeconds = double(std::clock() - cpuBefore) / CLOCKS_PER_SEC;
    EXPECT_GE(waited, std::chrono::milliseconds(300));
    EXPECT_LT(waited, std::chrono::seconds(3));
    EXPECT_LT(cpuSeconds, 0.15);
}

TEST_F(QtSurfaceTest, ProgramDirectoryIsTheExecutablesFolder) {
    std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe");
    EXPECT_EQ(surface().programDirectory(), gbkPath(executable.parent_path().string()));
}

TEST_F(QtSurfaceTest, FetchUrlGoesThroughTheFetcherGiven) {
    EXPECT_EQ(surface().fetchUrl("http://x.example/a.png"), "");
    std::string asked;
    surface().setUrlFetcher([&](const std::string& url) {
        asked = url;
        return std::string("\x89PNG\0", 5);
    });
    EXPECT_EQ(surface().fetchUrl("http://x.example/a.png"), std::string("\x89PNG\0", 5));
    EXPECT_EQ(asked, "http://x.example/a.png");
}

}  // namespace
}  // namespace quarrow::testing
