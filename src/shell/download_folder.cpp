#include "shell/download_folder.h"

#include "shell/native_path.h"

namespace quarrow {

const char* const kSettingsFileName = "ZELK.ini";
const char* const kSettingsSection = "ZELK";
const char* const kDownloadFolderKey = "保存下载文件夹路径";

std::string settingsFile(const WindowSurface& surface) {
    return joinPath(surface.programDirectory(), kSettingsFileName);
}

void loadDownloadFolder(WindowSurface& surface) {
    surface.setText(Box::folderBox, surface.readIni(settingsFile(surface), kSettingsSection, kDownloadFolderKey));
}

void browseFolder(WindowSurface& surface) {
    std::string folder = surface.browseForFolder("请选择保存文件夹:");
    if (folder.empty()) return;
    surface.setText(Box::folderBox, folder);
    // A failed write goes unreported: the box still shows the choice for this run.
    surface.writeIni(settingsFile(surface), kSettingsSection, kDownloadFolderKey, surface.getText(Box::folderBox));
}

}  // namespace quarrow
