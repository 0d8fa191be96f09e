#include "shell/app_state.h"

namespace quarrow {
namespace {

void release(std::string& text) { std::string().swap(text); }

}  // namespace

void createGlobals(AppState& state) {
    state.taskHandles.emplace();
    state.taskInfo.emplace();
    state.matcher.emplace();
    state.matcher2.emplace();
    state.taskParam.emplace();
}

void shutDown(AppState& state) {
    state.taskHandles.reset();
    state.taskInfo.reset();
    state.matcher.reset();
    for (std::string* text : {&state.sharePage, &state.shareKey, &state.shareCookies, &state.captchaAnswer,
                              &state.vcodeStr, &state.captchaReply, &state.pageCookies})
        release(*text);
    state.matcher2.reset();
    state.taskParam.reset();
    for (std::string* text : {&state.currentPath, &state.folderShareId, &state.shareId}) release(*text);
}

}  // namespace quarrow
