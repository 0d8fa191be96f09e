#pragma once

// The window surface: every control of the two windows and the platform
// services that handlers use. Handlers are written against this interface
// only; the Qt front end and the in-memory model both implement it.
//
// All texts are GBK byte strings. Rows and columns are 0-based.

#include <cstdint>
#include <string>

namespace quarrow {

enum class Window { mainWindow, captchaWindow };

enum class Box {
    linkBox,
    passwordBox,
    folderBox,
    downloadUrlBox,
    fileNameBox,
    linksTextBox,
    captchaBox,
};

enum class List { fileList, selectionList, linkList, downloadList };

enum class Button {
    getButton,
    clipboardButton,
    browseButton,
    downloadButton,
    copyLinksButton,
    pathConfigButton,
    captchaOkButton,
    captchaCancelButton,
};

enum class Timer { progressTimer, captchaTimer };

enum class Canvas { captchaCanvas };

enum class Label { captchaPrompt };

enum class Menu { fileMenu, linkMenu, downloadMenu };

// Items of the three pop-up menus, in menu order.
enum class MenuItem {
    // fileMenu
    selectAll,
    resolveTicked,
    resolveArchive,
    enterFolder,
    goBack,
    clearSelection,
    clearAll,
    // linkMenu
    copySelectedLink,
    downloadSelectedLink,
    exportPlainLinks,
    exportNamedLinks,
    // downloadMenu
    pauseCommand,
    resumeCommand,
    deleteCommand,
    deleteTempCommand,
};

// The menu an item belongs to.
Menu menuOf(MenuItem item);

// Window messages understood by sendWindowMessage.
constexpr unsigned WM_NCLBUTTONDOWN = 0x00A1;
constexpr std::uintptr_t HTCAPTION = 2;

// Receiver of the surface's events. Every event runs on the thread that runs
// the event loop, one at a time.
class SurfaceEvents {
public:
    virtual ~SurfaceEvents() = default;
    virtual void windowCreated(Window) {}
    virtual void windowClosing(Window) {}
    virtual void clicked(Button) {}
    virtual void doubleClicked(List) {}
    // Right-button click anywhere on a list view.
    virtual void rightClicked(List) {}
    // Raised only when the user changes a tick, never by setChecked.
    virtual void checkChanged(List, int /*row*/, bool /*checked*/) {}
    virtual void timerFired(Timer) {}
    virtual void menuItemChosen(MenuItem) {}
    virtual void pressed(Canvas) {}
    virtual void pressed(Label) {}
};

class WindowSurface {
public:
    virtual ~WindowSurface() = default;

    // Where events go; null drops them.
    virtual void setEventSink(SurfaceEvents* sink) = 0;

    // --- controls ---
    virtual std::string getText(Box box) const = 0;
    virtual void setText(Box box, const std::string& text) = 0;

    // A period of 0 stops the timer; any other period raises its event every
    // that many milliseconds while the event loop runs.
    virtual int getTimerPeriod(Timer timer) const = 0;
    virtual void setTimerPeriod(Timer timer, int ms) = 0;

    virtual int insertRow(List list) = 0;
    virtual void setCell(List list, int row, int column, const std::string& text) = 0;
    virtual std::string getCell(List list, int row, int column) const = 0;
    virtual int rowCount(List list) const = 0;
    virtual void deleteRow(List list, int row) = 0;
    virtual void clearRows(List list) = 0;
    virtual void setChecked(List list, int row, bool checked) = 0;
    virtual int findRow(List list, const std::string& text) const = 0;
    virtual void ensureVisible(List list, int row) = 0;
    virtual int getCurrentRow(List list) const = 0;
    virtual void setCurrentRow(List list, int row) = 0;

    // Runs the event loop until the menu closes; the chosen item's event is
    // raised inside the call.
    virtual void popupMenu(Menu menu) = 0;
    virtual void setPicture(Canvas canvas, const std::string& imageBytes) = 0;
    // Creates the window, raises its created event and runs the event loop
    // until closeWindow destroys it.
    virtual void showModal(Window window) = 0;
    virtual void closeWindow(Window window) = 0;
    virtual std::intptr_t sendWindowMessage(Window window, unsigned message, std::uintptr_t wParam,
                                            std::intptr_t lParam) = 0;

    // --- services ---
    // One OK button, no icon, modal for the whole program.
    virtual void messageBox(const std::string& text, const std::string& title) = 0;
    // The same box without a title of the caller's: titled "信息：".
    void messageBox(const std::string& text);
    // The same box closing by itself after ms milliseconds.
    virtual void timedMessageBox(const std::string& text, const std::string& title, int ms) = 0;

    virtual std::string getClipboardText() = 0;
    virtual void setClipboardText(const std::string& text) = 0;
    // The chosen folder's path, or empty text when the user cancels.
    virtual std::string browseForFolder(const std::string& prompt) = 0;

    // Directory of the program's file, without a trailing separator.
    virtual std::string programDirectory() const = 0;
    virtual bool fileExists(const std::string& path);
    virtual bool deleteFile(const std::string& path);
    virtual std::string readIni(const std::string& file, const std::string& section,
                                const std::string& key);
    virtual bool writeIni(const std::string& file, const std::string& section,
                          const std::string& key, const std::string& value);

    // Handles events until ms milliseconds have passed since the call.
    virtual void pumpEvents(int ms) = 0;
    // Handles the events that are waiting now.
    virtual void processEvents() = 0;

    // Plain GET through the process-wide HTTP transport; empty bytes on
    // failure.
    virtual std::string fetchUrl(const std::string& url) = 0;
};

// Title of a message box whose caller gives none.
extern const char* const kDefaultMessageTitle;

}  // namespace quarrow
