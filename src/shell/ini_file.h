#pragma once

// Reader and writer of settings files in the Windows ini format: "[section]"
// header lines followed by "key=value" lines. Section and key names are
// matched ignoring letter case and surrounding blanks; the bytes of the file
// (GBK) are taken as they are. Paths here are file-system paths.

#include <string>

namespace quarrow {

// Longest value read back, in bytes.
constexpr std::size_t kMaxIniValueBytes = 10239;

// The key's value, or empty text when the file, the section or the key is
// missing. Blanks around the value are dropped, and so is one pair of
// matching quotes around it.
std::string readIniValue(const std::string& path, const std::string& section, const std::string& key);

// Sets the key's value, creating the file, the section and the key as needed
// and leaving every other line as it was. The file is replaced atomically.
// Returns false when the file cannot be written or the value holds a line
// break (which would make a different file).
bool writeIniValue(const std::string& path, const std::string& section, const std::string& key,
                   const std::string& value);

}  // namespace quarrow
