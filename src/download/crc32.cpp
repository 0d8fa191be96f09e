#include "download/crc32.h"

#include <array>

namespace quarrow {
namespace {

constexpr std::array<std::uint32_t, 256> makeTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[i] = c;
    }
    return table;
}

constexpr auto kTable = makeTable();

}  // namespace

std::uint32_t crc32(std::string_view bytes, std::uint32_t start) {
    std::uint32_t c = ~start;
    for (unsigned char byte : bytes) c = kTable[(c ^ byte) & 0xFF] ^ (c >> 8);
    return ~c;
}

}  // namespace quarrow
