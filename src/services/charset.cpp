#include "services/charset.h"

#include <iconv.h>

#include <cerrno>
#include <string_view>

namespace quarrow {
namespace {

// iconv's names for the charsets the program knows by other names.
std::string iconvName(const std::string& charset) {
    std::string upper;
    for (char c : charset) upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    if (upper == "GBK" || upper == "CP936" || upper == "936" || upper == "GB2312") return "CP936";
    if (upper == "UTF8" || upper == "65001") return "UTF-8";
    if (upper == "UTF-16" || upper == "UTF-16LE" || upper == "1200") return "UTF-16LE";
    return upper;
}

// Length of the well-formed UTF-8 sequence at p, 0 when there is none.
size_t utf8SequenceLength(const char* p, size_t left) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(p[i]); };
    unsigned char lead = byte(0);
    size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                  : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
    if (length == 0 || length > left) return 0;
    for (size_t i = 1; i < length; ++i)
        if ((byte(i) & 0xC0) != 0x80) return 0;
    return length;
}

// Bytes of the UTF-16LE character at p: 4 for a surrogate pair, else 2; 0
// when fewer than two bytes are left.
size_t utf16SequenceLength(const char* p, size_t left) {
    if (left < 2) return 0;
    auto unit = [&](size_t i) { return static_cast<unsigned char>(p[i]) | static_cast<unsigned char>(p[i + 1]) << 8; };
    bool pair = left >= 4 && unit(0) >= 0xD800 && unit(0) <= 0xDBFF && unit(2) >= 0xDC00 && unit(2) <= 0xDFFF;
    return pair ? 4 : 2;
}

class Converter {
public:
    Converter(const std::string& from, const std::string& to)
        : handle_(iconv_open(iconvName(to).c_str(), iconvName(from).c_str())),
          fromUtf8_(iconvName(from) == "UTF-8"),
          fromUtf16_(iconvName(from) == "UTF-16LE"),
          toUtf8_(iconvName(to) == "UTF-8"),
          toUtf16_(iconvName(to) == "UTF-16LE") {}
    ~Converter() {
        if (ok()) iconv_close(handle_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool ok() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

    std::string run(std::string_view input) {
        std::string out;
        out.reserve(input.size() * 3 / 2 + 16);
        char* in = const_cast<char*>(input.data());
        size_t inLeft = input.size();
        char buffer[4096];
        while (inLeft > 0) {
            char* dst = buffer;
            size_t dstLeft = sizeof buffer;
            size_t rc = iconv(handle_, &in, &inLeft, &dst, &dstLeft);
            out.append(buffer, dst);
            if (rc != static_cast<size_t>(-1)) continue;
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL (a sequence cut off at the end): replace the
            // character the target lacks, or the one invalid byte, and go on.
            size_t skip = fromUtf8_ ? utf8SequenceLength(in, inLeft) : fromUtf16_ ? utf16SequenceLength(in, inLeft) : 1;
            if (skip == 0 || skip > inLeft) skip = fromUtf16_ ? inLeft : 1;
            out += replacement();
            in += skip;
            inLeft -= skip;
            iconv(handle_, nullptr, nullptr, nullptr, nullptr);
        }
        flush(out);
        return out;
    }

private:
    std::string replacement() const {
        if (toUtf16_) return std::string("\xFD\xFF", 2);
        return toUtf8_ ? "\xEF\xBF\xBD" : "?";
    }

    void flush(std::string& out) {
        char buffer[64];
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        iconv(handle_, nullptr, nullptr, &dst, &dstLeft);
        out.append(buffer, dst);
    }

    iconv_t handle_;
    bool fromUtf8_;
    bool fromUtf16_;
    bool toUtf8_;
    bool toUtf16_;
};

std::string convert(std::string_view bytes, const std::string& from, const std::string& to) {
    Converter converter(from, to);
    if (!converter.ok()) return {};
    return converter.run(bytes);
}

}  // namespace

std::string convertCharset(const std::string& bytes, std::string& sourceCharset,
                           std::string& targetCharset, long skip) {
    if (sourceCharset.empty()) sourceCharset = "UTF-8";
    if (targetCharset.empty()) targetCharset = "GBK";
    std::string result = convert(bytes, sourceCharset, targetCharset);
    if (skip < 0) return result;
    if (static_cast<size_t>(skip) >= result.size()) return {};
    return result.substr(static_cast<size_t>(skip));
}

std::string gbkToUtf8(const std::string& gbk) { return convert(gbk, "GBK", "UTF-8"); }

std::string utf8ToGbk(const std::string& utf8) { return convert(utf8, "UTF-8", "GBK"); }

}  // namespace quarrow
