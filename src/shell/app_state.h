#pragma once

// The process-wide state through which handlers hand values to one another.
// One instance lives for the run of the program; tests make fresh ones.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "download/engine_library.h"
#include "download/task_records.h"
#include "services/pattern_matcher.h"

namespace quarrow {

struct AppState {
    // Objects, created by createGlobals and released by shutDown, each in a
    // fixed order (which is why they are optional rather than plain members).
    std::optional<std::vector<EngineHandle>> taskHandles;  // element i belongs to downloadList row i
    std::optional<TaskInfoRecord> taskInfo;
    std::optional<PatternMatcher> matcher;   // the main window's handlers
    std::optional<PatternMatcher> matcher2;  // the verification-code dialog
    std::optional<TaskParamRecord> taskParam;

    // The share context.
    std::string sharePage;     // the share's page, as GBK
    std::string shareId;
    std::string shareKey;      // the BDCLND cookie of a passed password check
    std::string shareCookies;  // cookies of the password check
    std::string pageCookies;   // cookies of the page and code fetches
    bool captchaMode = false;  // the service has asked for a code since the share was opened

    // Folder navigation.
    std::string currentPath;
    std::string folderShareId;

    // The verification-code dialog.
    int captchaContinue = 0;
    std::string captchaAnswer;
    std::string vcodeStr;
    std::string captchaReply;

    // The download monitor's watchdog.
    int stallWatch = 0;
    std::int32_t zeroSpeedTicks = 0;
    std::int32_t stallRestarts = 0;
};

// Creates the global objects in start-up order: taskHandles, taskInfo,
// matcher, matcher2, taskParam.
void createGlobals(AppState& state);

// Releases every global once, in the exit routine's order.
void shutDown(AppState& state);

}  // namespace quarrow
