#pragma once

// The window surface over plain state, for tests: deterministic, with a
// virtual clock that only moves inside pumpEvents (or advance), and with the
// user's side scripted in advance (menu choices, folder choices, actions to
// take while a modal window is up) and recorded (message boxes, menus and
// windows shown).

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "shell/surface.h"

namespace quarrow {

class MemorySurface : public WindowSurface {
public:
    struct ShownMessage {
        std::string text;
        std::string title;
        int timeoutMs;  // 0 for a box that waits for OK
    };
    struct SentMessage {
        Window window;
        unsigned message;
        std::uintptr_t wParam;
        std::intptr_t lParam;
    };

    explicit MemorySurface(std::string programDirectory = ".");

    // --- WindowSurface ---
    void setEventSink(SurfaceEvents* sink) override { sink_ = sink; }
    std::string getText(Box box) const override;
    void setText(Box box, const std::string& text) override;
    int getTimerPeriod(Timer timer) const override;
    void setTimerPeriod(Timer timer, int ms) override;
    int insertRow(List list) override;
    void setCell(List list, int row, int column, const std::string& text) override;
    std::string getCell(List list, int row, int column) const override;
    int rowCount(List list) const override;
    void deleteRow(List list, int row) override;
    void clearRows(List list) override;
    void setChecked(List list, int row, bool checked) override;
    int findRow(List list, const std::string& text) const override;
    void ensureVisible(List list, int row) override;
    int getCurrentRow(List list) const override;
    void setCurrentRow(List list, int row) override;
    void popupMenu(Menu menu) override;
    void setPicture(Canvas canvas, const std::string& imageBytes) override;
    void showModal(Window window) override;
    void closeWindow(Window window) override;
    std::intptr_t sendWindowMessage(Window window, unsigned message, std::uintptr_t wParam,
                                    std::intptr_t lParam) override;
    using WindowSurface::messageBox;
    void messageBox(const std::string& text, const std::string& title) override;
    void timedMessageBox(const std::string& text, const std::string& title, int ms) override;
    std::string getClipboardText() override { return clipboard_; }
    void setClipboardText(const std::string& text) override { clipboard_ = text; }
    std::string browseForFolder(const std::string& prompt) override;
    std::string programDirectory() const override { return programDirectory_; }
    void pumpEvents(int ms) override;
    void processEvents() override;
    std::string fetchUrl(const std::string& url) override;

    // --- the user's side ---
    void click(Button button);
    void doubleClick(List list);
    void rightClick(List list);
    // Toggles a row's tick as a click on its check box does.
    void toggleCheck(List list, int row);
    void press(Canvas canvas);
    void press(Label label);
    // Types into a box: replaces its text (raising no event, as edit boxes have none).
    void type(Box box, const std::string& text) { setText(box, text); }

    // --- scripted answers ---
    // The next popupMenu chooses this item (nullopt: closed without a choice).
    // Menus popped with no answer queued close without a choice.
    void answerNextMenu(std::optional<MenuItem> item) { menuAnswers_.push_back(item); }
    // The next browseForFolder returns this (empty: cancelled). Unanswered
    // choosers are cancelled.
    void answerNextFolderChooser(const std::string& path) { folderAnswers_.push_back(path); }
    // Runs once the window has been created by showModal; queued per window.
    void whileModal(Window window, std::function<void()> action);
    // Milliseconds a message box waiting for OK stays up (the event loop runs
    // meanwhile); 0 by default.
    void setMessageBoxDwell(int ms) { messageBoxDwellMs_ = ms; }
    // The bytes fetchUrl returns for a URL; unknown URLs give empty bytes.
    void setUrlReply(const std::string& url, const std::string& bytes) { urlReplies_[url] = bytes; }

    // --- what the user saw ---
    std::int64_t now() const { return now_; }
    bool isChecked(List list, int row) const;
    bool hasPicture(Canvas) const { return !picture_.empty(); }
    const std::string& picture() const { return picture_; }
    bool isOpen(Window window) const { return open_.count(window) != 0; }
    int visibleMessageBoxes() const { return visibleBoxes_; }
    int lastVisibleRow(List list) const;
    const std::vector<ShownMessage>& messages() const { return messages_; }
    const std::vector<Menu>& menusShown() const { return menusShown_; }
    const std::vector<Window>& modalsShown() const { return modalsShown_; }
    const std::vector<std::string>& folderPrompts() const { return folderPrompts_; }
    const std::vector<SentMessage>& sentMessages() const { return sentMessages_; }
    const std::vector<std::string>& fetchedUrls() const { return fetchedUrls_; }
    // Modal windows that nothing closed: the model gave up on them after a
    // long virtual wait rather than waiting for ever.
    int abandonedModals() const { return abandonedModals_; }

private:
    struct Row {
        std::vector<std::string> cells;
        bool checked = false;
    };
    struct ListState {
        int columns = 0;
        std::vector<Row> rows;
        int current = -1;
        int lastVisible = -1;
    };
    struct TimerState {
        int period = 0;
        std::int64_t due = 0;
    };

    ListState& state(List list) { return lists_[static_cast<std::size_t>(list)]; }
    const ListState& state(List list) const { return lists_[static_cast<std::size_t>(list)]; }
    bool validRow(List list, int row) const { return row >= 0 && row < rowCount(list); }
    // Fires, in time order, every timer due up to the given time.
    void runTimersUntil(std::int64_t until);
    std::optional<Timer> nextDueTimer(std::int64_t until) const;
    void runModalLoop(Window window);

    std::string programDirectory_;
    SurfaceEvents* sink_ = nullptr;
    std::map<Box, std::string> boxes_;
    std::array<ListState, 4> lists_;
    std::array<TimerState, 2> timers_;
    std::int64_t now_ = 0;
    std::string clipboard_;
    std::string picture_;
    std::set<Window> open_;
    int visibleBoxes_ = 0;
    int messageBoxDwellMs_ = 0;
    int abandonedModals_ = 0;

    std::deque<std::optional<MenuItem>> menuAnswers_;
    std::deque<std::string> folderAnswers_;
    std::map<Window, std::deque<std::function<void()>>> modalActions_;
    std::map<std::string, std::string> urlReplies_;

    std::vector<ShownMessage> messages_;
    std::vector<Menu> menusShown_;
    std::vector<Window> modalsShown_;
    std::vector<std::string> folderPrompts_;
    std::vector<SentMessage> sentMessages_;
    std::vector<std::string> fetchedUrls_;
};

}  // namespace quarrow
