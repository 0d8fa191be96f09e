#include "download/engine_library.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "services/charset.h"
#include "support/fake_engine.h"
#include "support/temp_folder.h"

namespace quarrow {
namespace {

using testing::fakeEngineLog;
using testing::FakeSymbolLoader;
using Names = std::vector<std::string>;

class EngineLibraryTest : public ::testing::Test {
protected:
    void SetUp() override { fakeEngineLog() = {}; }

    EngineLibrary make(std::unique_ptr<SymbolLoader> loader) {
        return EngineLibrary("/program/libxldl.so", [this](const std::string& message) { fatal.push_back(message); },
                             std::move(loader));
    }

    std::vector<std::string> fatal;
};

TEST_F(EngineLibraryTest, LoadsAtTheFirstCallAndLooksEachFunctionUpOnce) {
    EngineLibrary engine = make(std::make_unique<FakeSymbolLoader>());
    EXPECT_TRUE(fakeEngineLog().opened.empty());

    EXPECT_EQ(engine.XL_Init(), 1);
    EXPECT_EQ(engine.XL_CreateTask(nullptr), 7u);
    EXPECT_EQ(engine.XL_StartTask(7), 1);
    EXPECT_EQ(engine.XL_StartTask(7), 1);
    EXPECT_EQ(engine.XL_QueryTaskInfoEx(7, nullptr), 1);
    EXPECT_EQ(engine.XL_StopTask(7), 1);
    EXPECT_EQ(engine.XL_DeleteTask(7), 1);
    EXPECT_EQ(engine.XL_UnInit(), 1);

    EXPECT_EQ(fakeEngineLog().opened, Names{"/program/libxldl.so"});
    EXPECT_EQ(fakeEngineLog().lookedUp, (Names{"XL_Init", "XL_CreateTask", "XL_StartTask", "XL_QueryTaskInfoEx",
                                               "XL_StopTask", "XL_DeleteTask", "XL_UnInit"}));
    EXPECT_EQ(fakeEngineLog().calls.size(), 8u);
    EXPECT_TRUE(fatal.empty());
}

TEST_F(EngineLibraryTest, AMissingLibraryIsFatalAtTheFirstCall) {
    EngineLibrary engine = make(std::make_unique<FakeSymbolLoader>(false));
    EXPECT_EQ(engine.XL_Init(), 0);
    ASSERT_EQ(fatal.size(), 1u);
    EXPECT_NE(fatal[0].find("/program/libxldl.so"), std::string::npos);
    EXPECT_NE(fatal[0].find("XL_Init"), std::string::npos);
    EXPECT_TRUE(fakeEngineLog().calls.empty());
}

TEST_F(EngineLibraryTest, AMissingFunctionIsFatalAtItsOwnFirstCall) {
    EngineLibrary engine = make(std::make_unique<FakeSymbolLoader>(true, std::set<std::string>{"XL_StopTask"}));
    EXPECT_EQ(engine.XL_Init(), 1);
    EXPECT_TRUE(fatal.empty());
    EXPECT_EQ(engine.XL_StopTask(3), 0);
    ASSERT_EQ(fatal.size(), 1u);
    EXPECT_NE(fatal[0].find("libxldl.so"), std::string::npos);
    EXPECT_NE(fatal[0].find("XL_StopTask"), std::string::npos);
}

TEST_F(EngineLibraryTest, LoadsTheBuiltEngineFromDisk) {
    EngineLibrary engine(QUARROW_ENGINE_FILE, [this](const std::string& message) { fatal.push_back(message); });
    EXPECT_EQ(engine.XL_Init(), 1);
    std::vector<unsigned char> info(1429);
    EXPECT_EQ(engine.XL_QueryTaskInfoEx(123456, info.data()), 0);  // unknown handle
    EXPECT_EQ(engine.XL_UnInit(), 1);
    EXPECT_TRUE(fatal.empty());
}

TEST_F(EngineLibraryTest, AMissingFileOnDiskNamesTheLibraryAndTheFunction) {
    testing::TempFolder folder;
    std::string path = folder.gbk(kEngineLibraryName);
    EngineLibrary engine(path, [this](const std::string& message) { fatal.push_back(message); });
    EXPECT_EQ(engine.XL_Init(), 0);
    ASSERT_EQ(fatal.size(), 1u);
    EXPECT_NE(fatal[0].find(path), std::string::npos);
    EXPECT_NE(fatal[0].find("XL_Init"), std::string::npos);
}

}  // namespace
}  // namespace quarrow
