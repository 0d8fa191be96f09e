#include "shell/surface.h"

#include <sys/stat.h>
#include <unistd.h>

#include "shell/ini_file.h"
#include "shell/native_path.h"

namespace quarrow {

const char* const kDefaultMessageTitle = "信息：";

Menu menuOf(MenuItem item) {
    if (item <= MenuItem::clearAll) return Menu::fileMenu;
    if (item <= MenuItem::exportNamedLinks) return Menu::linkMenu;
    return Menu::downloadMenu;
}

void WindowSurface::messageBox(const std::string& text) { messageBox(text, kDefaultMessageTitle); }

bool WindowSurface::fileExists(const std::string& path) {
    struct stat info {};
    return ::stat(nativePath(path).c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool WindowSurface::deleteFile(const std::string& path) { return ::unlink(nativePath(path).c_str()) == 0; }

std::string WindowSurface::readIni(const std::string& file, const std::string& section, const std::string& key) {
    return readIniValue(nativePath(file), section, key);
}

bool WindowSurface::writeIni(const std::string& file, const std::string& section, const std::string& key,
                             const std::string& value) {
    return writeIniValue(nativePath(file), section, key, value);
}

}  // namespace quarrow
