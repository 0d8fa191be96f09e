#include "shell/ini_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/temp_folder.h"

namespace quarrow {
namespace {

class IniFileTest : public ::testing::Test {
protected:
    std::string path() const { return (folder.path() / "settings.ini").string(); }
    void write(const std::string& content) const { std::ofstream(path(), std::ios::binary) << content; }
    std::string content() const {
        std::ifstream in(path(), std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }
    testing::TempFolder folder;
};

TEST_F(IniFileTest, MissingFileReadsEmptyAndIsNotCreated) {
    EXPECT_EQ(readIniValue(path(), "ZELK", "key"), "");
    EXPECT_FALSE(std::filesystem::exists(path()));
}

TEST_F(IniFileTest, WritingCreatesTheFileAndTheSection) {
    ASSERT_TRUE(writeIniValue(path(), "ZELK", "保存下载文件夹路径", "/数据/下载"));
    EXPECT_EQ(content(), "[ZELK]\r\n保存下载文件夹路径=/数据/下载\r\n");
}

TEST_F(IniFileTest, LookupIgnoresCaseAndBlanksAndDropsQuotes) {
    write("; comment\n[Other]\nkey=other\n  [ zelk ]  \n  Folder Key  =  \"/a b\"  \nnext=1\n");
    EXPECT_EQ(readIniValue(path(), "ZELK", "folder key"), "/a b");
    EXPECT_EQ(readIniValue(path(), "OTHER", "KEY"), "other");
    EXPECT_EQ(readIniValue(path(), "ZELK", "key"), "");
    EXPECT_EQ(readIniValue(path(), "missing", "key"), "");
}

TEST_F(IniFileTest, WritingKeepsEveryOtherLineAsItWas) {
    write("[A]\nx=1\n\n[ZELK]\r\nold=2\r\nkey=before\r\n\r\n[B]\ny=3");
    ASSERT_TRUE(writeIniValue(path(), "zelk", "KEY", "after"));
    EXPECT_EQ(content(), "[A]\nx=1\n\n[ZELK]\r\nold=2\r\nKEY=after\r\n\r\n[B]\ny=3");
    ASSERT_TRUE(writeIniValue(path(), "ZELK", "new", "v"));
    EXPECT_EQ(content(), "[A]\nx=1\n\n[ZELK]\r\nold=2\r\nKEY=after\r\nnew=v\r\n\r\n[B]\ny=3");
    ASSERT_TRUE(writeIniValue(path(), "C", "z", "4"));
    EXPECT_EQ(content(), "[A]\nx=1\n\n[ZELK]\r\nold=2\r\nKEY=after\r\nnew=v\r\n\r\n[B]\ny=3\r\n[C]\r\nz=4\r\n");
}

TEST_F(IniFileTest, ValuesComeBackCutToTheBufferOnWholeCharacters) {
    std::string ascii(10300, 'a');
    ASSERT_TRUE(writeIniValue(path(), "S", "k", ascii));
    EXPECT_EQ(readIniValue(path(), "S", "k"), std::string(kMaxIniValueBytes, 'a'));

    // 10238 ASCII bytes and then a two-byte character: the character does
    // not fit whole and is left out rather than cut in half.
    ASSERT_TRUE(writeIniValue(path(), "S", "k", std::string(10238, 'a') + "中"));
    EXPECT_EQ(readIniValue(path(), "S", "k"), std::string(10238, 'a'));
}

TEST_F(IniFileTest, RefusesValuesThatWouldBreakTheFile) {
    ASSERT_TRUE(writeIniValue(path(), "S", "k", "good"));
    EXPECT_FALSE(writeIniValue(path(), "S", "k", "bad\n[S]\nk=evil"));
    EXPECT_EQ(readIniValue(path(), "S", "k"), "good");
}

TEST_F(IniFileTest, AnUnwritableFolderFailsQuietly) {
    EXPECT_FALSE(writeIniValue((folder.path() / "missing" / "x.ini").string(), "S", "k", "v"));
}

}  // namespace
}  // namespace quarrow
