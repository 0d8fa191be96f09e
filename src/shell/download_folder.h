#pragma once

// The download folder: shown in folderBox, remembered in the settings file
// beside the program.

#include <string>

#include "shell/surface.h"

namespace quarrow {

extern const char* const kSettingsFileName;
extern const char* const kSettingsSection;
extern const char* const kDownloadFolderKey;

// The settings file's path.
std::string settingsFile(const WindowSurface& surface);

// Fills folderBox from the settings file (empty when it holds no folder).
void loadDownloadFolder(WindowSurface& surface);

// Lets the user choose the folder; a choice shows in folderBox and is saved.
void browseFolder(WindowSurface& surface);

}  // namespace quarrow
