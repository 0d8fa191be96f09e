#pragma once

// Byte-level helpers for GBK texts that must never split a double-byte
// character: a lead byte (0x81..0xFE) always takes the byte after it along.

#include <cstddef>
#include <string>

namespace quarrow {

// Whether the byte at pos starts a double-byte character.
bool isGbkLeadByte(unsigned char byte);

// The text with its ASCII letters in lower case; a trail byte that happens
// to be a letter is left alone.
std::string gbkLowerAscii(std::string text);

// Compares two GBK texts, ignoring the case of ASCII letters only; a trail
// byte that happens to be a letter is compared exactly.
bool gbkEqualsIgnoreCase(const std::string& a, const std::string& b);

// The longest prefix of text no longer than maxBytes that ends on a whole
// character.
std::string gbkTruncate(const std::string& text, std::size_t maxBytes);

}  // namespace quarrow
