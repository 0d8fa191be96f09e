#include "download/engine_library.h"

#include "download/dl_symbol_loader.h"
#include "services/charset.h"

namespace quarrow {

const char* const kEngineLibraryName = "libxldl.so";

EngineLibrary::EngineLibrary(std::string libraryPath, FatalError onFatal, std::unique_ptr<SymbolLoader> loader)
    : libraryPath_(std::move(libraryPath)),
      onFatal_(std::move(onFatal)),
      loader_(loader ? std::move(loader) : std::make_unique<DlSymbolLoader>()) {}

bool EngineLibrary::load(const char* forFunction) {
    if (loaded_) return true;
    loaded_ = loader_->open(gbkToUtf8(libraryPath_));
    if (!loaded_)
        onFatal_("无法载入下载引擎库 " + libraryPath_ + "（调用 " + forFunction + " 时）：" +
                 utf8ToGbk(loader_->lastError()));
    return loaded_;
}

template <typename Fn>
Fn EngineLibrary::resolve(Slot<Fn>& slot) {
    if (slot.function) return slot.function;
    if (!load(slot.name)) return nullptr;
    slot.function = reinterpret_cast<Fn>(loader_->find(slot.name));
    if (!slot.function) onFatal_("下载引擎库 " + libraryPath_ + " 中找不到函数 " + slot.name);
    return slot.function;
}

int EngineLibrary::XL_Init() {
    auto fn = resolve(init_);
    return fn ? fn() : 0;
}

int EngineLibrary::XL_UnInit() {
    auto fn = resolve(unInit_);
    return fn ? fn() : 0;
}

EngineHandle EngineLibrary::XL_CreateTask(const void* taskParam) {
    auto fn = resolve(createTask_);
    return fn ? fn(taskParam) : 0;
}

int EngineLibrary::XL_StartTask(EngineHandle task) {
    auto fn = resolve(startTask_);
    return fn ? fn(task) : 0;
}

int EngineLibrary::XL_StopTask(EngineHandle task) {
    auto fn = resolve(stopTask_);
    return fn ? fn(task) : 0;
}

int EngineLibrary::XL_DeleteTask(EngineHandle task) {
    auto fn = resolve(deleteTask_);
    return fn ? fn(task) : 0;
}

int EngineLibrary::XL_QueryTaskInfoEx(EngineHandle task, void* taskInfo) {
    auto fn = resolve(queryTaskInfo_);
    return fn ? fn(task, taskInfo) : 0;
}

}  // namespace quarrow
