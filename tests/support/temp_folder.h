#pragma once

#include <filesystem>
#include <string>

namespace quarrow::testing {

// A new empty directory under the system's temporary directory, its name
// starting with prefix.
std::filesystem::path makeTempDirectory(const std::string& prefix);

// A fresh folder under the system's temporary directory whose name holds
// Chinese characters; removed with everything in it on destruction.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The path as a GBK text, as the program's handlers see it.
    std::string gbk() const;
    // A GBK path for a name inside the folder.
    std::string gbk(const std::string& gbkName) const;

private:
    std::filesystem::path path_;
};

}  // namespace quarrow::testing
