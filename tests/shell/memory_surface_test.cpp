// What the in-memory surface adds to the shared behaviour: its virtual clock
// and its scripted user.

#include "shell/memory/memory_surface.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quarrow {
namespace {

struct TickLog : SurfaceEvents {
    MemorySurface* surface = nullptr;
    std::vector<std::pair<Timer, std::int64_t>> ticks;
    void timerFired(Timer timer) override { ticks.push_back({timer, surface->now()}); }
};

TEST(MemorySurfaceTest, TimersFireInTimeOrderOnTheVirtualClock) {
    MemorySurface surface;
    TickLog log;
    log.surface = &surface;
    surface.setEventSink(&log);
    surface.setTimerPeriod(Timer::progressTimer, 1000);
    surface.setTimerPeriod(Timer::captchaTimer, 400);
    surface.pumpEvents(2000);
    std::vector<std::pair<Timer, std::int64_t>> expected{
        {Timer::captchaTimer, 400},   {Timer::captchaTimer, 800},   {Timer::progressTimer, 1000},
        {Timer::captchaTimer, 1200},  {Timer::captchaTimer, 1600},  {Timer::progressTimer, 2000},
        {Timer::captchaTimer, 2000},
    };
    EXPECT_EQ(log.ticks, expected);
    EXPECT_EQ(surface.now(), 2000);
}

TEST(MemorySurfaceTest, ProcessEventsDoesNotMoveTheClock) {
    MemorySurface surface;
    TickLog log;
    log.surface = &surface;
    surface.setEventSink(&log);
    surface.setTimerPeriod(Timer::progressTimer, 1000);
    surface.processEvents();
    EXPECT_TRUE(log.ticks.empty());
    EXPECT_EQ(surface.now(), 0);
}

TEST(MemorySurfaceTest, AModalWindowNothingClosesIsAbandonedNotAwaitedForEver) {
    MemorySurface surface;
    surface.showModal(Window::captchaWindow);
    EXPECT_EQ(surface.abandonedModals(), 1);
    EXPECT_FALSE(surface.isOpen(Window::captchaWindow));
}

TEST(MemorySurfaceTest, RecordsWhatWasShown) {
    MemorySurface surface;
    surface.popupMenu(Menu::linkMenu);
    surface.timedMessageBox("复制成功", "提示", 1000);
    surface.sendWindowMessage(Window::captchaWindow, WM_NCLBUTTONDOWN, HTCAPTION, 0);
    EXPECT_EQ(surface.menusShown(), std::vector<Menu>{Menu::linkMenu});
    ASSERT_EQ(surface.messages().size(), 1u);
    EXPECT_EQ(surface.messages()[0].timeoutMs, 1000);
    EXPECT_EQ(surface.now(), 1000);
    ASSERT_EQ(surface.sentMessages().size(), 1u);
    EXPECT_EQ(surface.sentMessages()[0].message, WM_NCLBUTTONDOWN);
}

TEST(MemorySurfaceTest, AMenuAnswerFromAnotherMenuChoosesNothing) {
    MemorySurface surface;
    struct : SurfaceEvents {
        int chosen = 0;
        void menuItemChosen(MenuItem) override { ++chosen; }
    } events;
    surface.setEventSink(&events);
    surface.answerNextMenu(MenuItem::pauseCommand);
    surface.popupMenu(Menu::fileMenu);
    EXPECT_EQ(events.chosen, 0);
}

TEST(MemorySurfaceTest, DeletingTheSelectedRowLeavesNoneSelected) {
    MemorySurface surface;
    for (int i = 0; i < 3; ++i) surface.insertRow(List::downloadList);
    surface.setCurrentRow(List::downloadList, 2);
    surface.deleteRow(List::downloadList, 0);
    EXPECT_EQ(surface.getCurrentRow(List::downloadList), 1);
    surface.deleteRow(List::downloadList, 1);
    EXPECT_EQ(surface.getCurrentRow(List::downloadList), -1);
}

}  // namespace
}  // namespace quarrow
