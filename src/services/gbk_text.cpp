#include "services/gbk_text.h"

namespace quarrow {
bool isGbkLeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

std::string gbkLowerAscii(std::string text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if (isGbkLeadByte(c) && i + 1 < text.size()) ++i;
        else if (c >= 'A' && c <= 'Z') text[i] = static_cast<char>(c + 32);
    }
    return text;
}

bool gbkEqualsIgnoreCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && gbkLowerAscii(a) == gbkLowerAscii(b);
}

std::string gbkTruncate(const std::string& text, std::size_t maxBytes) {
    std::size_t end = 0;
    while (end < text.size()) {
        std::size_t width = isGbkLeadByte(static_cast<unsigned char>(text[end])) && end + 1 < text.size() ? 2 : 1;
        if (end + width > maxBytes) break;
        end += width;
    }
    return text.substr(0, end);
}

}  // namespace quarrow
