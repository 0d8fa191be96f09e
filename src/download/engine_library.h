#pragma once

// The program's side of the download engine: the seven engine functions,
// loaded from the engine library at the first call of any of them, each looked
// up by name at its own first call and kept. A library or a function that
// cannot be had is fatal: the handler given at construction is told, with a
// message naming the library and the function (in the program it shows the
// message and ends the process). Should that handler return, the call does
// nothing and gives 0.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "download/symbol_loader.h"

namespace quarrow {

// The engine library's file name.
extern const char* const kEngineLibraryName;

using EngineHandle = std::uint32_t;

class EngineLibrary {
public:
    using FatalError = std::function<void(const std::string& gbkMessage)>;

    EngineLibrary(std::string libraryPath, FatalError onFatal,
                  std::unique_ptr<SymbolLoader> loader = nullptr);

    int XL_Init();
    int XL_UnInit();
    // The record is the 26564-byte task-parameter record.
    EngineHandle XL_CreateTask(const void* taskParam);
    int XL_StartTask(EngineHandle task);
    int XL_StopTask(EngineHandle task);
    int XL_DeleteTask(EngineHandle task);
    // Fills the 1429-byte task-information record; nonzero when filled.
    int XL_QueryTaskInfoEx(EngineHandle task, void* taskInfo);

private:
    // A function of the library, found at its first use.
    template <typename Fn>
    struct Slot {
        const char* name;
        Fn function = nullptr;
    };

    template <typename Fn>
    Fn resolve(Slot<Fn>& slot);
    bool load(const char* forFunction);

    std::string libraryPath_;
    FatalError onFatal_;
    std::unique_ptr<SymbolLoader> loader_;
    bool loaded_ = false;

    Slot<int (*)()> init_{"XL_Init"};
    Slot<int (*)()> unInit_{"XL_UnInit"};
    Slot<EngineHandle (*)(const void*)> createTask_{"XL_CreateTask"};
    Slot<int (*)(EngineHandle)> startTask_{"XL_StartTask"};
    Slot<int (*)(EngineHandle)> stopTask_{"XL_StopTask"};
    Slot<int (*)(EngineHandle)> deleteTask_{"XL_DeleteTask"};
    Slot<int (*)(EngineHandle, void*)> queryTaskInfo_{"XL_QueryTaskInfoEx"};
};

}  // namespace quarrow
