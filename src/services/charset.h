#pragma once

// Conversion between character sets, over iconv.
//
// Bytes that are invalid in the source charset never stop a conversion: each
// such byte becomes U+FFFD (a "?" when the target has no such character), and
// a character the target lacks becomes "?". ASCII bytes always pass through
// unchanged and in place.

#include <string>

namespace quarrow {

// Re-encodes bytes from one charset into another. An empty charset name is
// replaced by "UTF-8" (source) or "GBK" (target) and the caller's variable
// receives that name. With skip >= 0 the result starts at that byte offset of
// the encoded output.
std::string convertCharset(const std::string& bytes, std::string& sourceCharset,
                           std::string& targetCharset, long skip = -1);

std::string gbkToUtf8(const std::string& gbk);
std::string utf8ToGbk(const std::string& utf8);

}  // namespace quarrow
