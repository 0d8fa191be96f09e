#pragma once

// UTF-16LE record texts to and from the engine's UTF-8 strings.

#include <cstddef>
#include <string>

namespace xldl {

// Reads UTF-16LE units from bytes up to the first zero unit or the end;
// unpaired surrogates become U+FFFD.
std::string utf16ToUtf8(const unsigned char* bytes, std::size_t width);

// Writes text as UTF-16LE with a zero unit into a field of the given width;
// a text too long is cut on a whole character and still ended by zero.
void utf8ToUtf16(const std::string& text, unsigned char* field, std::size_t width);

}  // namespace xldl
