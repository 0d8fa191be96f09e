#pragma once

#include <cstdint>
#include <string_view>

namespace quarrow {

// The standard CRC-32 (reflected, polynomial 0xEDB88320) of the bytes,
// continuing from start (0 for a fresh checksum).
std::uint32_t crc32(std::string_view bytes, std::uint32_t start = 0);

}  // namespace quarrow
