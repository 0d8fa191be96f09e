#pragma once

// File-system paths cross between the program's GBK texts and the UTF-8 names
// the file system uses here.

#include <string>

namespace quarrow {

std::string nativePath(const std::string& gbkPath);
std::string gbkPath(const std::string& nativePath);

// Joins a directory and a file name with the platform's separator.
std::string joinPath(const std::string& directory, const std::string& name);

}  // namespace quarrow
