#include "download/wide_text.h"

#include "services/charset.h"

namespace quarrow {
namespace {

std::string charsetOf(int codePage) { return codePage == 0 || codePage == 936 ? "GBK" : std::to_string(codePage); }

}  // namespace

std::string toWide(const std::string& text, int codePage) {
    std::string source = charsetOf(codePage), target = "UTF-16LE";
    std::string zeroEnded = text.substr(0, text.find('\0'));
    return convertCharset(zeroEnded, source, target) + std::string(2, '\0');
}

std::string fromWide(const std::string& bytes, int codePage) {
    std::size_t end = 0;
    while (end + 1 < bytes.size() && (bytes[end] != '\0' || bytes[end + 1] != '\0')) end += 2;
    std::string source = "UTF-16LE", target = charsetOf(codePage);
    return convertCharset(bytes.substr(0, end), source, target);
}

}  // namespace quarrow
