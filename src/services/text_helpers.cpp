#include "services/text_helpers.h"

#include <cmath>
#include <cstdio>
#include <random>

namespace quarrow {
namespace {

constexpr char16_t kReplacement = 0xFFFD;
// The full-width right single quotation mark that stands in for "'" while a
// text is read as a quoted JavaScript string.
constexpr char16_t kRightQuote = 0x2019;

int hexValue(char32_t c) {
    if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
    return -1;
}

// The value of count hexadecimal digits at text[pos], -1 when they are not all
// there.
template <typename Text>
long hexAt(const Text& text, size_t pos, size_t count) {
    if (pos + count > text.size()) return -1;
    long value = 0;
    for (size_t i = 0; i < count; ++i) {
        int digit = hexValue(static_cast<char32_t>(text[pos + i]));
        if (digit < 0) return -1;
        value = value * 16 + digit;
    }
    return value;
}

// UTF-8 to UTF-16; a byte that does not begin a well-formed sequence becomes
// U+FFFD.
std::u16string toUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        unsigned char lead = static_cast<unsigned char>(utf8[i]);
        size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                      : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
        char32_t cp = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        bool valid = length != 0 && i + length <= utf8.size();
        for (size_t k = 1; valid && k < length; ++k) {
            unsigned char trail = static_cast<unsigned char>(utf8[i + k]);
            if ((trail & 0xC0) != 0x80) valid = false;
            cp = cp << 6 | (trail & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF.
        if (valid && ((length == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
                      (length == 4 && (cp < 0x10000 || cp > 0x10FFFF))))
            valid = false;
        if (!valid) {
            out += kReplacement;
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += length;
    }
    return out;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | cp >> 6);
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | cp >> 12);
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | cp >> 18);
        out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// UTF-16 to UTF-8; a surrogate without its partner becomes U+FFFD.
std::string toUtf8(const std::u16string& utf16) {
    std::string out;
    out.reserve(utf16.size() * 3);
    for (size_t i = 0; i < utf16.size(); ++i) {
        char32_t unit = utf16[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (utf16[i + 1] - 0xDC00));
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            appendUtf8(out, kReplacement);
        } else {
            appendUtf8(out, unit);
        }
    }
    return out;
}

void replaceAll(std::u16string& text, std::u16string_view from, std::u16string_view to) {
    std::u16string out;
    size_t start = 0;
    for (size_t pos = text.find(from); pos != std::u16string::npos; pos = text.find(from, start)) {
        out.append(text, start, pos - start);
        out.append(to);
        start = pos + from.size();
    }
    if (start == 0) return;
    out.append(text, start);
    text = std::move(out);
}

bool isLineTerminator(char16_t c) { return c == u'\n' || c == u'\r' || c == 0x2028 || c == 0x2029; }

// Reads text as the contents of a single-quoted JavaScript string literal and
// returns the string it denotes. Unlike a JavaScript engine it never fails: a
// final lone backslash stays a backslash, a "\x" or "\u" without enough
// hexadecimal digits stands for the letter alone, and bare line breaks are
// kept.
std::u16string readStringLiteral(const std::u16string& text) {
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c != u'\\') {
            out += c;
            continue;
        }
        if (i + 1 == text.size()) {
            out += c;
            break;
        }
        char16_t e = text[++i];
        switch (e) {
            case u'b': out += u'\b'; break;
            case u't': out += u'\t'; break;
            case u'n': out += u'\n'; break;
            case u'v': out += u'\v'; break;
            case u'f': out += u'\f'; break;
            case u'r': out += u'\r'; break;
            case u'x':
            case u'u': {
                size_t digits = e == u'x' ? 2 : 4;
                long value = hexAt(text, i + 1, digits);
                if (value < 0) {
                    out += e;
                } else {
                    out += static_cast<char16_t>(value);
                    i += digits;
                }
                break;
            }
            case u'\r':
                // A backslash before a line break continues the string on the
                // next line; the break itself is not part of the string.
                if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
                break;
            default:
                if (e >= u'0' && e <= u'7') {
                    // Octal escape: up to three digits while the value stays
                    // below 256 ("\0" alone is the zero character).
                    unsigned value = e - u'0';
                    size_t maxDigits = e <= u'3' ? 3 : 2;
                    for (size_t n = 1; n < maxDigits && i + 1 < text.size() && text[i + 1] >= u'0' &&
                                       text[i + 1] <= u'7';
                         ++n)
                        value = value * 8 + (text[++i] - u'0');
                    out += static_cast<char16_t>(value);
                } else if (!isLineTerminator(e)) {
                    out += e;  // \' \" \\ \/ and any other character stand for themselves
                }
        }
    }
    return out;
}

// The JavaScript function unescape: "%uXXXX" is the code unit XXXX, "%XX" the
// character U+00XX; any other "%" stays.
std::u16string unescape(const std::u16string& text) {
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c == u'%') {
            long value;
            if (i + 1 < text.size() && text[i + 1] == u'u' && (value = hexAt(text, i + 2, 4)) >= 0) {
                out += static_cast<char16_t>(value);
                i += 5;
                continue;
            }
            if ((value = hexAt(text, i + 1, 2)) >= 0) {
                out += static_cast<char16_t>(value);
                i += 2;
                continue;
            }
        }
        out += c;
    }
    return out;
}

}  // namespace

std::string decodeEscapes(const std::string& text) {
    // Work on characters, not GBK bytes, so that no replacement can match a
    // trail byte that happens to be "\" or "'".
    std::u16string chars = toUtf16(gbkToUtf8(text));
    // CR LF and apostrophes are set aside while the text is read as a quoted
    // string, and put back afterwards.
    replaceAll(chars, u"\r\n", u"{$}");
    if (!chars.empty() && chars.front() == u'\r') chars.erase(0, 1);
    replaceAll(chars, u"\\u", u"%u");
    replaceAll(chars, u"'", std::u16string(1, kRightQuote));
    std::u16string decoded = unescape(readStringLiteral(chars));
    replaceAll(decoded, std::u16string(1, kRightQuote), u"'");
    replaceAll(decoded, u"{$}", u"\r\n");
    return utf8ToGbk(toUtf8(decoded));
}

std::string decodeStringLiteral(std::string_view utf8) { return toUtf8(readStringLiteral(toUtf16(utf8))); }

std::string urlEncode(const std::string& text, bool keepUnreserved, bool asUtf8) {
    static const char kDigits[] = "0123456789ABCDEF";
    const std::string bytes = asUtf8 ? gbkToUtf8(text) : text;
    std::string out;
    out.reserve(bytes.size() * 3);
    for (char c : bytes) {
        unsigned char byte = static_cast<unsigned char>(c);
        bool unreserved = (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') ||
                          (byte >= 'a' && byte <= 'z') || byte == '-' || byte == '.';
        if (keepUnreserved && unreserved) {
            out += c;
        } else {
            out += '%';
            out += kDigits[byte >> 4];
            out += kDigits[byte & 0x0F];
        }
    }
    return out;
}

std::string urlDecode(const std::string& text, bool fromUtf8) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        long value = text[i] == '%' ? hexAt(text, i + 1, 2) : -1;
        if (value >= 0) {
            out += static_cast<char>(value);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return fromUtf8 ? utf8ToGbk(out) : out;
}

std::string formatSize(double bytes) {
    constexpr double kTolerance = 0.0000001;
    constexpr double kKilo = 1024.0, kMega = 1048576.0, kGiga = 1073741824.0;
    if (!std::isfinite(bytes)) return "0 B";
    // A value within the tolerance of a unit's size counts in that unit.
    double value = bytes;
    const char* unit = "B";
    if (bytes >= kGiga - kTolerance) {
        value = bytes / kGiga;
        unit = "GB";
    } else if (bytes >= kMega - kTolerance) {
        value = bytes / kMega;
        unit = "MB";
    } else if (bytes >= kKilo - kTolerance) {
        value = bytes / kKilo;
        unit = "KB";
    }
    // Two decimals, half away from zero; the tolerance keeps a fraction such
    // as 0.4999999999999 that stands for a half from rounding down.
    double hundredths = std::fabs(value) * 100.0;
    double whole = std::floor(hundredths);
    if (hundredths - whole >= 0.5 - 0.000000000001) whole += 1.0;
    double rounded = std::copysign(whole / 100.0, value);
    if (rounded == 0.0) rounded = 0.0;  // no "-0"
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.13g %s", rounded, unit);
    return buffer;
}

std::string randomStamp() {
    std::random_device device;
    std::uniform_int_distribution<unsigned long long> digits(0, 999999999999999ULL);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "0.%015llu", digits(device));
    return buffer;
}

}  // namespace quarrow
