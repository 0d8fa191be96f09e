#include "utf16.h"

#include <cstring>
#include <vector>

namespace xldl {
namespace {

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Decodes UTF-8, each malformed byte becoming U+FFFD.
std::vector<char32_t> decodeUtf8(const std::string& text) {
    std::vector<char32_t> out;
    for (std::size_t i = 0; i < text.size();) {
        auto b = static_cast<unsigned char>(text[i]);
        std::size_t length = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
        char32_t c = length == 1 ? b : length == 2 ? (b & 0x1F) : length == 3 ? (b & 0x0F) : (b & 0x07);
        bool valid = length > 0 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        if (!valid || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        out.push_back(c);
        i += length;
    }
    return out;
}

}  // namespace

std::string utf16ToUtf8(const unsigned char* bytes, std::size_t width) {
    std::string out;
    std::size_t units = width / 2;
    auto unit = [&](std::size_t k) { return static_cast<char16_t>(bytes[2 * k] | (bytes[2 * k + 1] << 8)); };
    for (std::size_t k = 0; k < units; ++k) {
        char16_t u = unit(k);
        if (u == 0) break;
        if (u >= 0xD800 && u <= 0xDBFF && k + 1 < units && unit(k + 1) >= 0xDC00 && unit(k + 1) <= 0xDFFF) {
            appendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (unit(k + 1) - 0xDC00));
            ++k;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            appendUtf8(out, 0xFFFD);
        } else {
            appendUtf8(out, u);
        }
    }
    return out;
}

void utf8ToUtf16(const std::string& text, unsigned char* field, std::size_t width) {
    std::memset(field, 0, width);
    std::size_t units = width / 2;
    if (units == 0) return;
    std::size_t at = 0;
    auto put = [&](char16_t u) {
        field[2 * at] = static_cast<unsigned char>(u & 0xFF);
        field[2 * at + 1] = static_cast<unsigned char>(u >> 8);
        ++at;
    };
    for (char32_t c : decodeUtf8(text)) {
        std::size_t needed = c >= 0x10000 ? 2 : 1;
        if (at + needed > units - 1) break;  // keep room for the zero unit
        if (c >= 0x10000) {
            put(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            put(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            put(static_cast<char16_t>(c));
        }
    }
}

}  // namespace xldl
