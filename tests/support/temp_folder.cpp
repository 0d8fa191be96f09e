#include "support/temp_folder.h"

#include <cstdlib>
#include <stdexcept>

#include "services/charset.h"

namespace quarrow::testing {

std::filesystem::path makeTempDirectory(const std::string& prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    return pattern;
}

TempFolder::TempFolder() {
    path_ = makeTempDirectory("quarrow") / std::filesystem::path(u8"下载目录");
    std::filesystem::create_directory(path_);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_.parent_path(), ignored);
}

std::string TempFolder::gbk() const { return utf8ToGbk(path_.string()); }

std::string TempFolder::gbk(const std::string& gbkName) const { return gbk() + "/" + gbkName; }

}  // namespace quarrow::testing
