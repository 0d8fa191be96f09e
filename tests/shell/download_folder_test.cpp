#include "shell/download_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "services/charset.h"
#include "shell/memory/memory_surface.h"
#include "support/temp_folder.h"

namespace quarrow {
namespace {

class DownloadFolderTest : public ::testing::Test {
protected:
    std::filesystem::path iniOnDisk() const { return folder.path() / "ZELK.ini"; }
    std::string iniBytes() const {
        std::ifstream in(iniOnDisk(), std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }

    testing::TempFolder folder;
    MemorySurface surface{folder.gbk()};
};

TEST_F(DownloadFolderTest, SettingsFileLiesBesideTheProgram) {
    EXPECT_EQ(settingsFile(surface), folder.gbk() + "/ZELK.ini");
}

TEST_F(DownloadFolderTest, FirstStartLeavesTheBoxEmptyAndCreatesNothing) {
    surface.setText(Box::folderBox, "stale");
    loadDownloadFolder(surface);
    EXPECT_EQ(surface.getText(Box::folderBox), "");
    EXPECT_FALSE(std::filesystem::exists(iniOnDisk()));
}

TEST_F(DownloadFolderTest, ChosenChineseFolderIsStoredInGbkAndReadBackAtTheNextStart) {
    std::filesystem::path chosen = folder.path() / std::filesystem::path(u8"我的下载");
    std::filesystem::create_directory(chosen);
    std::string chosenGbk = utf8ToGbk(chosen.string());
    surface.answerNextFolderChooser(chosenGbk);

    browseFolder(surface);

    ASSERT_EQ(surface.folderPrompts().size(), 1u);
    EXPECT_EQ(surface.folderPrompts()[0], "请选择保存文件夹:");
    EXPECT_EQ(surface.getText(Box::folderBox), chosenGbk);
    EXPECT_EQ(iniBytes(), "[ZELK]\r\n保存下载文件夹路径=" + chosenGbk + "\r\n");
    // The GBK text names the folder on disk.
    EXPECT_TRUE(std::filesystem::is_directory(gbkToUtf8(surface.getText(Box::folderBox))));

    MemorySurface nextStart(folder.gbk());
    loadDownloadFolder(nextStart);
    EXPECT_EQ(nextStart.getText(Box::folderBox), chosenGbk);
}

TEST_F(DownloadFolderTest, CancellingTheChooserChangesNothing) {
    surface.answerNextFolderChooser("/first");
    browseFolder(surface);
    std::string before = iniBytes();
    surface.answerNextFolderChooser("");
    browseFolder(surface);
    EXPECT_EQ(surface.getText(Box::folderBox), "/first");
    EXPECT_EQ(iniBytes(), before);
}

TEST_F(DownloadFolderTest, TheRootIsStoredAsTheChooserGaveIt) {
    surface.answerNextFolderChooser("/");
    browseFolder(surface);
    MemorySurface nextStart(folder.gbk());
    loadDownloadFolder(nextStart);
    EXPECT_EQ(nextStart.getText(Box::folderBox), "/");
}

TEST_F(DownloadFolderTest, AFailedWriteStillShowsTheChoiceForThisRun) {
    MemorySurface elsewhere(folder.gbk() + "/missing-directory");
    elsewhere.answerNextFolderChooser("/data");
    browseFolder(elsewhere);
    EXPECT_EQ(elsewhere.getText(Box::folderBox), "/data");
}

}  // namespace
}  // namespace quarrow
