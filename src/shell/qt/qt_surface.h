#pragma once

// The window surface over Qt Widgets. Needs a QApplication before it is
// created; all of it runs on the thread of that application.

#include <functional>
#include <memory>
#include <string>

#include "shell/surface.h"

class QWidget;

namespace quarrow {

class QtSurface final : public WindowSurface {
public:
    QtSurface();
    ~QtSurface() override;
    QtSurface(const QtSurface&) = delete;
    QtSurface& operator=(const QtSurface&) = delete;

    using WindowSurface::messageBox;

    // The transport behind fetchUrl; without one fetchUrl gives empty bytes.
    void setUrlFetcher(std::function<std::string(const std::string& url)> fetcher);

    // The window's top-level widget. Its controls carry their names as
    // object names; the verification-code window is owned by the main one.
    QWidget* windowWidget(Window window) const;
    // Between showModal and closeWindow (or the user closing it).
    bool isOpen(Window window) const;

    void setEventSink(SurfaceEvents* sink) override;

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

    void messageBox(const std::string& text, const std::string& title) override;
    void timedMessageBox(const std::string& text, const std::string& title, int ms) override;

    std::string getClipboardText() override;
    void setClipboardText(const std::string& text) override;
    std::string browseForFolder(const std::string& prompt) override;

    std::string programDirectory() const override;

    void pumpEvents(int ms) override;
    void processEvents() override;

    std::string fetchUrl(const std::string& url) override;

private:
    struct State;

    // Hands an event to the sink, when there is one.
    template <typename Call>
    void emitEvent(Call&& call);
    void connectEvents();

    std::unique_ptr<State> state_;
};

}  // namespace quarrow
