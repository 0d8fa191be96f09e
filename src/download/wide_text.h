#pragma once

#include <string>

namespace quarrow {

// A text of the given code page (0: the program's, GBK) as UTF-16LE bytes
// with the terminating zero unit.
std::string toWide(const std::string& text, int codePage = 0);

// UTF-16LE bytes, up to the first zero unit, as a text of the code page.
std::string fromWide(const std::string& bytes, int codePage = 0);

}  // namespace quarrow
