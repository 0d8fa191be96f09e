#include "shell/memory/memory_surface.h"

#include "services/gbk_text.h"

namespace quarrow {
namespace {

// How long a modal window that nothing closes is kept up, in virtual time.
constexpr std::int64_t kModalGiveUpMs = 10 * 60 * 1000;

int columnCount(List list) {
    switch (list) {
    case List::fileList: return 6;
    case List::selectionList: return 2;
    case List::linkList: return 4;
    case List::downloadList: return 6;
    }
    return 0;
}

bool looksLikeImage(const std::string& bytes) {
    auto startsWith = [&](std::string_view magic) { return bytes.compare(0, magic.size(), magic) == 0; };
    return startsWith("\x89PNG\r\n\x1a\n") || startsWith("\xFF\xD8\xFF") || startsWith("GIF87a") ||
           startsWith("GIF89a") || (startsWith("BM") && bytes.size() > 26);
}

}  // namespace

MemorySurface::MemorySurface(std::string programDirectory) : programDirectory_(std::move(programDirectory)) {
    for (List list : {List::fileList, List::selectionList, List::linkList, List::downloadList})
        state(list).columns = columnCount(list);
}

std::string MemorySurface::getText(Box box) const {
    auto found = boxes_.find(box);
    return found == boxes_.end() ? std::string() : found->second;
}

void MemorySurface::setText(Box box, const std::string& text) { boxes_[box] = text; }

int MemorySurface::getTimerPeriod(Timer timer) const { return timers_[static_cast<std::size_t>(timer)].period; }

void MemorySurface::setTimerPeriod(Timer timer, int ms) {
    TimerState& t = timers_[static_cast<std::size_t>(timer)];
    t.period = ms > 0 ? ms : 0;
    t.due = now_ + t.period;
}

int MemorySurface::insertRow(List list) {
    ListState& s = state(list);
    s.rows.push_back(Row{std::vector<std::string>(static_cast<std::size_t>(s.columns)), false});
    return static_cast<int>(s.rows.size()) - 1;
}

void MemorySurface::setCell(List list, int row, int column, const std::string& text) {
    if (!validRow(list, row) || column < 0 || column >= state(list).columns) return;
    state(list).rows[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(column)] = text;
}

std::string MemorySurface::getCell(List list, int row, int column) const {
    if (!validRow(list, row) || column < 0 || column >= state(list).columns) return {};
    return state(list).rows[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(column)];
}

int MemorySurface::rowCount(List list) const { return static_cast<int>(state(list).rows.size()); }

void MemorySurface::deleteRow(List list, int row) {
    if (!validRow(list, row)) return;
    ListState& s = state(list);
    s.rows.erase(s.rows.begin() + row);
    // The selection goes with the deleted row; rows below move up with theirs.
    if (s.current == row) s.current = -1;
    else if (s.current > row) --s.current;
}

void MemorySurface::clearRows(List list) {
    state(list).rows.clear();
    state(list).current = -1;
}

void MemorySurface::setChecked(List list, int row, bool checked) {
    if (validRow(list, row)) state(list).rows[static_cast<std::size_t>(row)].checked = checked;
}

bool MemorySurface::isChecked(List list, int row) const {
    return validRow(list, row) && state(list).rows[static_cast<std::size_t>(row)].checked;
}

int MemorySurface::findRow(List list, const std::string& text) const {
    const auto& rows = state(list).rows;
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (gbkEqualsIgnoreCase(rows[i].cells[0], text)) return static_cast<int>(i);
    return -1;
}

void MemorySurface::ensureVisible(List list, int row) {
    if (validRow(list, row)) state(list).lastVisible = row;
}

int MemorySurface::lastVisibleRow(List list) const { return state(list).lastVisible; }

int MemorySurface::getCurrentRow(List list) const { return state(list).current; }

void MemorySurface::setCurrentRow(List list, int row) {
    if (validRow(list, row)) state(list).current = row;
}

void MemorySurface::popupMenu(Menu menu) {
    menusShown_.push_back(menu);
    if (menuAnswers_.empty()) return;
    std::optional<MenuItem> item = menuAnswers_.front();
    menuAnswers_.pop_front();
    if (item && menuOf(*item) == menu && sink_) sink_->menuItemChosen(*item);
}

void MemorySurface::setPicture(Canvas, const std::string& imageBytes) {
    picture_ = looksLikeImage(imageBytes) ? imageBytes : std::string();
}

void MemorySurface::whileModal(Window window, std::function<void()> action) {
    modalActions_[window].push_back(std::move(action));
}

void MemorySurface::showModal(Window window) {
    modalsShown_.push_back(window);
    open_.insert(window);
    if (window == Window::captchaWindow) {
        // A fresh dialog: an empty code box, no picture, its timer running.
        boxes_[Box::captchaBox].clear();
        picture_.clear();
        setTimerPeriod(Timer::captchaTimer, 1);
    }
    if (sink_) sink_->windowCreated(window);
    auto& actions = modalActions_[window];
    while (isOpen(window) && !actions.empty()) {
        auto action = std::move(actions.front());
        actions.pop_front();
        action();
    }
    runModalLoop(window);
}

// Lets time pass while the window is up, so that its timers can close it.
void MemorySurface::runModalLoop(Window window) {
    const std::int64_t giveUp = now_ + kModalGiveUpMs;
    while (isOpen(window)) {
        std::optional<Timer> next = nextDueTimer(giveUp);
        if (!next) {
            ++abandonedModals_;
            open_.erase(window);
            return;
        }
        runTimersUntil(timers_[static_cast<std::size_t>(*next)].due);
    }
}

void MemorySurface::closeWindow(Window window) {
    if (!isOpen(window)) return;
    if (window == Window::mainWindow && sink_) sink_->windowClosing(window);
    if (window == Window::captchaWindow) setTimerPeriod(Timer::captchaTimer, 0);
    open_.erase(window);
}

std::intptr_t MemorySurface::sendWindowMessage(Window window, unsigned message, std::uintptr_t wParam,
                                               std::intptr_t lParam) {
    sentMessages_.push_back({window, message, wParam, lParam});
    return 0;
}

void MemorySurface::messageBox(const std::string& text, const std::string& title) {
    messages_.push_back({text, title, 0});
    ++visibleBoxes_;
    pumpEvents(messageBoxDwellMs_);
    --visibleBoxes_;
}

void MemorySurface::timedMessageBox(const std::string& text, const std::string& title, int ms) {
    messages_.push_back({text, title, ms});
    ++visibleBoxes_;
    pumpEvents(ms);
    --visibleBoxes_;
}

std::string MemorySurface::browseForFolder(const std::string& prompt) {
    folderPrompts_.push_back(prompt);
    if (folderAnswers_.empty()) return {};
    std::string answer = folderAnswers_.front();
    folderAnswers_.pop_front();
    return answer;
}

void MemorySurface::pumpEvents(int ms) {
    const std::int64_t until = now_ + (ms > 0 ? ms : 0);
    runTimersUntil(until);
    if (now_ < until) now_ = until;
}

void MemorySurface::processEvents() { runTimersUntil(now_); }

std::optional<Timer> MemorySurface::nextDueTimer(std::int64_t until) const {
    std::optional<Timer> next;
    for (Timer timer : {Timer::progressTimer, Timer::captchaTimer}) {
        const TimerState& t = timers_[static_cast<std::size_t>(timer)];
        if (t.period == 0 || t.due > until) continue;
        if (!next || t.due < timers_[static_cast<std::size_t>(*next)].due) next = timer;
    }
    return next;
}

void MemorySurface::runTimersUntil(std::int64_t until) {
    while (std::optional<Timer> timer = nextDueTimer(until)) {
        TimerState& t = timers_[static_cast<std::size_t>(*timer)];
        if (t.due > now_) now_ = t.due;
        t.due = now_ + t.period;
        if (sink_) sink_->timerFired(*timer);
    }
}

std::string MemorySurface::fetchUrl(const std::string& url) {
    fetchedUrls_.push_back(url);
    auto found = urlReplies_.find(url);
    return found == urlReplies_.end() ? std::string() : found->second;
}

void MemorySurface::click(Button button) {
    if (sink_) sink_->clicked(button);
}

void MemorySurface::doubleClick(List list) {
    if (sink_) sink_->doubleClicked(list);
}

void MemorySurface::rightClick(List list) {
    if (sink_) sink_->rightClicked(list);
}

void MemorySurface::toggleCheck(List list, int row) {
    if (list != List::fileList || !validRow(list, row)) return;
    Row& r = state(list).rows[static_cast<std::size_t>(row)];
    r.checked = !r.checked;
    if (sink_) sink_->checkChanged(list, row, r.checked);
}

void MemorySurface::press(Canvas canvas) {
    if (sink_) sink_->pressed(canvas);
}

void MemorySurface::press(Label label) {
    if (sink_) sink_->pressed(label);
}

}  // namespace quarrow
