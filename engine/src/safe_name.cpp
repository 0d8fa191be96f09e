#include "safe_name.h"

namespace xldl {
namespace {

// Longest name kept, in bytes: the usual 255 less room for ".td.cfg" and a
// "(k)" number.
constexpr std::size_t kMaxNameBytes = 240;

std::string cutOnCharacter(const std::string& text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return text;
    std::size_t end = maxBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end);
}

}  // namespace

std::string safeFileName(const std::string& name) {
    std::string out;
    for (char c : name) {
        auto byte = static_cast<unsigned char>(c);
        out += byte < 0x20 || byte == 0x7F || c == '/' || c == '\\' ? '_' : c;
    }
    if (out.find_first_not_of('.') == std::string::npos) out = std::string(out.size(), '_');
    out = cutOnCharacter(out, kMaxNameBytes);
    return out.empty() ? "download" : out;
}

std::string numberedName(const std::string& name, int k) {
    std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) return name + "(" + std::to_string(k) + ")";
    return name.substr(0, dot) + "(" + std::to_string(k) + ")" + name.substr(dot);
}

}  // namespace xldl
