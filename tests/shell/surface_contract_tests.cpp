// Behaviour every window surface must show, run against each implementation.
// An implementation's test program instantiates SurfaceContract with a factory
// of its driver.

#include "surface_contract.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace quarrow::testing {
namespace {

struct RecordedEvents : SurfaceEvents {
    struct Check {
        List list;
        int row;
        bool checked;
    };
    std::vector<Check> checks;
    std::vector<Timer> ticks;
    std::vector<MenuItem> items;
    std::vector<Window> created;
    std::vector<Window> closing;
    std::function<void(Timer)> onTick;
    std::function<void(Window)> onCreated;

    void checkChanged(List list, int row, bool checked) override { checks.push_back({list, row, checked}); }
    void timerFired(Timer timer) override {
        ticks.push_back(timer);
        if (onTick) onTick(timer);
    }
    void menuItemChosen(MenuItem item) override { items.push_back(item); }
    void windowCreated(Window window) override {
        created.push_back(window);
        if (onCreated) onCreated(window);
    }
    void windowClosing(Window window) override { closing.push_back(window); }
};

class SurfaceContractTest : public ::testing::TestWithParam<DriverFactory> {
protected:
    void SetUp() override {
        driver = GetParam().make();
        surface().setEventSink(&events);
    }
    void TearDown() override {
        surface().setEventSink(nullptr);
        driver.reset();
    }
    WindowSurface& surface() { return driver->surface(); }

    void fill(List list, const std::vector<std::string>& firstColumn) {
        for (const auto& text : firstColumn) surface().setCell(list, surface().insertRow(list), 0, text);
    }

    std::unique_ptr<SurfaceDriver> driver;
    RecordedEvents events;
};

TEST_P(SurfaceContractTest, InsertRowReturnsTheIndexOfTheNewLastRow) {
    for (List list : {List::fileList, List::selectionList, List::linkList, List::downloadList}) {
        EXPECT_EQ(surface().insertRow(list), 0);
        EXPECT_EQ(surface().insertRow(list), 1);
        EXPECT_EQ(surface().insertRow(list), 2);
        EXPECT_EQ(surface().rowCount(list), 3);
    }
}

TEST_P(SurfaceContractTest, CellsHoldGbkTextAndMissingCellsReadEmpty) {
    int row = surface().insertRow(List::fileList);
    surface().setCell(List::fileList, row, 1, "文件夹 A");
    surface().setCell(List::fileList, row, 4, "%2F%E6%88%91");  // a hidden column keeps its data
    EXPECT_EQ(surface().getCell(List::fileList, row, 1), "文件夹 A");
    EXPECT_EQ(surface().getCell(List::fileList, row, 4), "%2F%E6%88%91");
    EXPECT_EQ(surface().getCell(List::fileList, row, 2), "");
    EXPECT_EQ(surface().getCell(List::fileList, row + 1, 0), "");
    EXPECT_EQ(surface().getCell(List::fileList, -1, 0), "");
    EXPECT_EQ(surface().getCell(List::fileList, row, 6), "");
}

TEST_P(SurfaceContractTest, DeleteRowMovesTheRowsBelowUp) {
    fill(List::downloadList, {"a", "b", "c"});
    surface().deleteRow(List::downloadList, 1);
    ASSERT_EQ(surface().rowCount(List::downloadList), 2);
    EXPECT_EQ(surface().getCell(List::downloadList, 0, 0), "a");
    EXPECT_EQ(surface().getCell(List::downloadList, 1, 0), "c");
    surface().clearRows(List::downloadList);
    EXPECT_EQ(surface().rowCount(List::downloadList), 0);
}

TEST_P(SurfaceContractTest, FindRowComparesColumnZeroIgnoringLetterCase) {
    // "乙" is B0 DA in GBK and "乜" is D8 BF; "\x81\x61" has the trail byte 'a',
    // which must not match the trail byte 'A' of "\x81\x41".
    fill(List::selectionList, {"Readme.TXT", "乙", "\x81\x61", "abc"});
    EXPECT_EQ(surface().findRow(List::selectionList, "readme.txt"), 0);
    EXPECT_EQ(surface().findRow(List::selectionList, "ABC"), 3);
    EXPECT_EQ(surface().findRow(List::selectionList, "乙"), 1);
    EXPECT_EQ(surface().findRow(List::selectionList, "\x81\x61"), 2);
    EXPECT_EQ(surface().findRow(List::selectionList, "\x81\x41"), -1);
    EXPECT_EQ(surface().findRow(List::selectionList, "absent"), -1);
    EXPECT_EQ(surface().findRow(List::selectionList, "readme"), -1);
}

TEST_P(SurfaceContractTest, CurrentRowFollowsSelectionAndClearRows) {
    EXPECT_EQ(surface().getCurrentRow(List::linkList), -1);
    fill(List::linkList, {"1", "2", "3"});
    surface().setCurrentRow(List::linkList, 2);
    EXPECT_EQ(surface().getCurrentRow(List::linkList), 2);
    surface().ensureVisible(List::linkList, 1);
    EXPECT_EQ(surface().getCurrentRow(List::linkList), 2);
    surface().clearRows(List::linkList);
    EXPECT_EQ(surface().getCurrentRow(List::linkList), -1);
}

TEST_P(SurfaceContractTest, SetCheckedRaisesNoEventWhileUserTicksDo) {
    fill(List::fileList, {"a", "b", "c"});
    surface().setChecked(List::fileList, 1, true);
    EXPECT_TRUE(driver->isChecked(List::fileList, 1));
    surface().setChecked(List::fileList, 1, false);
    EXPECT_FALSE(driver->isChecked(List::fileList, 1));
    surface().processEvents();
    EXPECT_TRUE(events.checks.empty());

    driver->clickCheckBox(List::fileList, 2);
    surface().processEvents();
    ASSERT_EQ(events.checks.size(), 1u);
    EXPECT_EQ(events.checks[0].row, 2);
    EXPECT_TRUE(events.checks[0].checked);
    EXPECT_TRUE(driver->isChecked(List::fileList, 2));

    driver->pressSpaceOnRow(List::fileList, 2);
    surface().processEvents();
    ASSERT_EQ(events.checks.size(), 2u);
    EXPECT_EQ(events.checks[1].row, 2);
    EXPECT_FALSE(events.checks[1].checked);
}

TEST_P(SurfaceContractTest, EditBoxesHoldGbkText) {
    surface().setText(Box::linkBox, "https://pan.example/s/1abc");
    surface().setText(Box::folderBox, "/下载/文件");
    EXPECT_EQ(surface().getText(Box::linkBox), "https://pan.example/s/1abc");
    EXPECT_EQ(surface().getText(Box::folderBox), "/下载/文件");
    EXPECT_EQ(surface().getText(Box::passwordBox), "");
}

TEST_P(SurfaceContractTest, ClipboardRoundTripsGbkText) {
    surface().setClipboardText("链接：https://x 密码：ab12");
    EXPECT_EQ(surface().getClipboardText(), "链接：https://x 密码：ab12");
}

TEST_P(SurfaceContractTest, TimersFireByPeriodOnlyWhileTheLoopRuns) {
    EXPECT_EQ(surface().getTimerPeriod(Timer::progressTimer), 0);
    surface().setTimerPeriod(Timer::progressTimer, 100);
    EXPECT_EQ(surface().getTimerPeriod(Timer::progressTimer), 100);
    surface().pumpEvents(450);
    // A loaded machine may deliver a tick late, never early.
    EXPECT_GE(events.ticks.size(), 2u);
    EXPECT_LE(events.ticks.size(), 4u);

    surface().setTimerPeriod(Timer::progressTimer, 0);
    events.ticks.clear();
    surface().pumpEvents(250);
    EXPECT_TRUE(events.ticks.empty());
}

TEST_P(SurfaceContractTest, PumpEventsRunsTimerHandlersThatStopTheirTimer) {
    events.onTick = [&](Timer timer) { surface().setTimerPeriod(timer, 0); };
    surface().setTimerPeriod(Timer::captchaTimer, 1);
    surface().pumpEvents(100);
    EXPECT_EQ(events.ticks.size(), 1u);
}

TEST_P(SurfaceContractTest, PopupMenuRaisesTheChosenItemInsideTheCall) {
    driver->answerNextMenu(MenuItem::resolveTicked);
    surface().popupMenu(Menu::fileMenu);
    ASSERT_EQ(events.items.size(), 1u);
    EXPECT_EQ(events.items[0], MenuItem::resolveTicked);

    driver->answerNextMenu(std::nullopt);
    surface().popupMenu(Menu::downloadMenu);
    EXPECT_EQ(events.items.size(), 1u);
}

TEST_P(SurfaceContractTest, MessageBoxWithoutTitleIsTitledInfo) {
    driver->confirmNextMessageBox();
    surface().messageBox("密码错误", "提示");
    auto seen = driver->lastMessageBox();
    ASSERT_TRUE(seen);
    EXPECT_EQ(seen->text, "密码错误");
    EXPECT_EQ(seen->title, "提示");

    driver->confirmNextMessageBox();
    surface().messageBox("下载文件超时！");
    seen = driver->lastMessageBox();
    ASSERT_TRUE(seen);
    EXPECT_EQ(seen->title, "信息：");
    EXPECT_EQ(driver->visibleMessageBoxes(), 0);
}

TEST_P(SurfaceContractTest, TimedMessageBoxClosesByItself) {
    int visibleMeanwhile = -1;
    events.onTick = [&](Timer timer) {
        visibleMeanwhile = driver->visibleMessageBoxes();
        surface().setTimerPeriod(timer, 0);
    };
    surface().setTimerPeriod(Timer::progressTimer, 100);
    surface().timedMessageBox("复制成功", "提示", 300);
    EXPECT_EQ(visibleMeanwhile, 1);  // timers ran while the box was up
    EXPECT_EQ(driver->visibleMessageBoxes(), 0);
}

TEST_P(SurfaceContractTest, FolderChooserGivesThePathOrEmptyTextWhenCancelled) {
    driver->answerNextFolderChooser("");
    EXPECT_EQ(surface().browseForFolder("请选择保存文件夹:"), "");
    std::string folder = driver->existingFolder();
    driver->answerNextFolderChooser(folder);
    EXPECT_EQ(surface().browseForFolder("请选择保存文件夹:"), folder);
}

TEST_P(SurfaceContractTest, ShowModalRunsCreatedAndReturnsWhenClosed) {
    events.onCreated = [&](Window window) {
        if (window == Window::captchaWindow) surface().setTimerPeriod(Timer::captchaTimer, 1);
    };
    events.onTick = [&](Timer timer) {
        if (timer != Timer::captchaTimer || surface().getText(Box::captchaBox).size() < 4) return;
        surface().setTimerPeriod(Timer::captchaTimer, 0);
        surface().closeWindow(Window::captchaWindow);
    };
    driver->whileModal(Window::captchaWindow, [&] {
        EXPECT_TRUE(driver->isWindowOpen(Window::captchaWindow));
        surface().setText(Box::captchaBox, "ab3d");
    });
    surface().showModal(Window::captchaWindow);
    ASSERT_EQ(events.created.size(), 1u);
    EXPECT_EQ(events.created[0], Window::captchaWindow);
    EXPECT_FALSE(driver->isWindowOpen(Window::captchaWindow));
}

TEST_P(SurfaceContractTest, TheCaptchaWindowOpensBlankWithItsTimerRunning) {
    surface().setText(Box::captchaBox, "old1");
    int periodWhileOpen = -1;
    std::string boxWhileOpen = "unread";
    events.onCreated = [&](Window window) {
        periodWhileOpen = surface().getTimerPeriod(Timer::captchaTimer);
        boxWhileOpen = surface().getText(Box::captchaBox);
        surface().closeWindow(window);
    };
    surface().showModal(Window::captchaWindow);
    EXPECT_EQ(periodWhileOpen, 1);
    EXPECT_EQ(boxWhileOpen, "");
    EXPECT_EQ(surface().getTimerPeriod(Timer::captchaTimer), 0);
    EXPECT_TRUE(events.closing.empty());  // only the main window reports closing
}

TEST_P(SurfaceContractTest, SetPictureTakesImagesAndClearsOnOtherBytes) {
    // A 1x1 PNG.
    const std::string png(
        "\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x01\0\0\0\x01\x08\x06\0\0\0\x1f\x15\xc4\x89"
        "\0\0\0\rIDATx\x9c\x63\xf8\xcf\xc0\xf0\x1f\0\x05\0\x01\xff\x89\x99=\x1d"
        "\0\0\0\0IEND\xae\x42\x60\x82",
        67);
    surface().setPicture(Canvas::captchaCanvas, png);
    EXPECT_TRUE(driver->hasPicture(Canvas::captchaCanvas));
    surface().setPicture(Canvas::captchaCanvas, "<html>not an image</html>");
    EXPECT_FALSE(driver->hasPicture(Canvas::captchaCanvas));
}

TEST_P(SurfaceContractTest, FilesAndSettingsWorkOnDisk) {
    std::string folder = driver->existingFolder();
    std::string ini = folder + "/测试.ini";
    EXPECT_FALSE(surface().fileExists(ini));
    EXPECT_EQ(surface().readIni(ini, "ZELK", "保存下载文件夹路径"), "");
    EXPECT_FALSE(surface().fileExists(ini));
    EXPECT_TRUE(surface().writeIni(ini, "ZELK", "保存下载文件夹路径", "/数据/下载"));
    EXPECT_TRUE(surface().fileExists(ini));
    EXPECT_EQ(surface().readIni(ini, "zelk", "保存下载文件夹路径"), "/数据/下载");
    EXPECT_TRUE(surface().deleteFile(ini));
    EXPECT_FALSE(surface().fileExists(ini));
    EXPECT_FALSE(surface().deleteFile(ini));
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(Surfaces, SurfaceContractTest, ::testing::ValuesIn(surfaceDrivers()),
                         [](const auto& info) { return info.param.name; });

}  // namespace quarrow::testing
