#pragma once

// File names come from the service and are not trusted: the engine never
// writes outside the folder it was given.

#include <string>

namespace xldl {

// The name made harmless as a single file name in a folder: separators,
// control characters and names made only of dots are replaced, and a name too
// long for the file system (with room for the work-file suffixes) is cut on a
// whole UTF-8 character. An empty result becomes "download".
std::string safeFileName(const std::string& name);

// "stem(k).ext" for "stem.ext" (or "name(k)" without an extension).
std::string numberedName(const std::string& name, int k);

}  // namespace xldl
