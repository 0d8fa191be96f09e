#include "shell/startup.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "shell/download_folder.h"
#include "shell/memory/memory_surface.h"
#include "support/fake_engine.h"
#include "support/temp_folder.h"

namespace quarrow {
namespace {

using testing::fakeEngineLog;
using Calls = std::vector<std::string>;

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override { fakeEngineLog() = {}; }

    EngineLibrary makeEngine() {
        return EngineLibrary("/program/libxldl.so", [](const std::string&) { FAIL() << "engine missing"; },
                             std::make_unique<testing::FakeSymbolLoader>());
    }

    testing::TempFolder folder;
    MemorySurface surface{folder.gbk()};
};

TEST_F(StartupTest, RunsTheMainWindowFromCreationToClose) {
    surface.writeIni(settingsFile(surface), "ZELK", "保存下载文件夹路径", "/下载");
    EngineLibrary engine = makeEngine();
    std::string folderWhileOpen;
    surface.whileModal(Window::mainWindow, [&] {
        folderWhileOpen = surface.getText(Box::folderBox);
        EXPECT_EQ(fakeEngineLog().calls, Calls{"XL_Init"});
        surface.closeWindow(Window::mainWindow);
    });

    EXPECT_EQ(startUp(surface, engine), 0);

    EXPECT_EQ(folderWhileOpen, "/下载");
    EXPECT_EQ(fakeEngineLog().calls, (Calls{"XL_Init", "XL_UnInit"}));
    EXPECT_EQ(surface.abandonedModals(), 0);
}

TEST_F(StartupTest, StartingWithoutSettingsShowsAnEmptyFolderBoxAndWritesNothing) {
    EngineLibrary engine = makeEngine();
    surface.whileModal(Window::mainWindow, [&] { surface.closeWindow(Window::mainWindow); });
    startUp(surface, engine);
    EXPECT_EQ(surface.getText(Box::folderBox), "");
    EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
}

TEST_F(StartupTest, TheBrowseButtonChoosesTheFolderWhileTheWindowIsUp) {
    EngineLibrary engine = makeEngine();
    surface.answerNextFolderChooser("/chosen");
    surface.whileModal(Window::mainWindow, [&] {
        surface.click(Button::browseButton);
        surface.closeWindow(Window::mainWindow);
    });
    startUp(surface, engine);
    EXPECT_EQ(surface.getText(Box::folderBox), "/chosen");
    EXPECT_EQ(surface.readIni(settingsFile(surface), "ZELK", "保存下载文件夹路径"), "/chosen");
}

TEST_F(StartupTest, CreatedHandlerResetsTheCaptchaState) {
    AppState state;
    createGlobals(state);
    state.captchaMode = true;
    state.captchaContinue = 0;
    EngineLibrary engine = makeEngine();
    Context context{state, surface, engine};
    onMainWindowCreated(context);
    EXPECT_FALSE(state.captchaMode);
    EXPECT_EQ(state.captchaContinue, 1);
    shutDown(state);
}

TEST(AppStateTest, ShutDownReleasesEveryGlobal) {
    AppState state;
    createGlobals(state);
    EXPECT_TRUE(state.taskHandles && state.taskInfo && state.matcher && state.matcher2 && state.taskParam);
    state.taskHandles->push_back(3);
    state.sharePage = "page";
    state.shareId = "42";
    state.currentPath = "%2F";
    state.pageCookies = "a=b";
    shutDown(state);
    EXPECT_FALSE(state.taskHandles || state.taskInfo || state.matcher || state.matcher2 || state.taskParam);
    for (const std::string* text : {&state.sharePage, &state.shareId, &state.currentPath, &state.pageCookies})
        EXPECT_TRUE(text->empty());
}

}  // namespace
}  // namespace quarrow
