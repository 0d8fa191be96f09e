#include "shell/native_path.h"

#include "services/charset.h"

namespace quarrow {

std::string nativePath(const std::string& gbkPath) { return gbkToUtf8(gbkPath); }

std::string gbkPath(const std::string& nativePath) { return utf8ToGbk(nativePath); }

std::string joinPath(const std::string& directory, const std::string& name) {
    if (!directory.empty() && directory.back() == '/') return directory + name;
    return directory + "/" + name;
}

}  // namespace quarrow
