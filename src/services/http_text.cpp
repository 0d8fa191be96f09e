#include "services/http_text.h"

#include <algorithm>
#include <vector>

#include "services/gbk_text.h"

namespace quarrow {
namespace {

const std::string kQuoteMark = "#引号";

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

std::string join(const std::vector<std::string>& items, const std::string& separator) {
    std::string out;
    for (std::size_t i = 0; i < items.size(); ++i) out += (i ? separator : "") + items[i];
    return out;
}

bool startsWith(const std::string& text, const std::string& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

}  // namespace

std::size_t findText(const std::string& haystack, const std::string& needle, std::size_t from, bool caseSensitive) {
    const std::string hay = caseSensitive ? haystack : gbkLowerAscii(haystack);
    const std::string pin = caseSensitive ? needle : gbkLowerAscii(needle);
    std::size_t i = 0;
    while (i < hay.size()) {
        if (i >= from && hay.compare(i, pin.size(), pin) == 0) return i;
        i += isGbkLeadByte(static_cast<unsigned char>(hay[i])) && i + 1 < hay.size() ? 2 : 1;
    }
    return pin.empty() && from <= hay.size() ? from : std::string::npos;
}

std::vector<std::string> splitText(const std::string& text, const std::string& separator) {
    std::vector<std::string> items;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(separator, start);
        if (end == std::string::npos) end = text.size();
        items.push_back(text.substr(start, end - start));
        start = end + separator.size();
    }
    return items;
}

std::string trimSpaces(const std::string& text) {
    std::size_t begin = 0, end = text.size();
    for (;;) {
        if (begin < end && text[begin] == ' ') ++begin;
        else if (end - begin >= 2 && text.compare(begin, 2, "\xA1\xA1") == 0) begin += 2;
        else break;
    }
    for (;;) {
        if (end > begin && text[end - 1] == ' ') --end;
        else if (end - begin >= 2 && text.compare(end - 2, 2, "\xA1\xA1") == 0) end -= 2;
        else break;
    }
    return text.substr(begin, end - begin);
}

std::string textBetween(const std::string& text, const std::string& left, const std::string& right, int start,
                        bool caseSensitive) {
    const std::string leftMarker = replaceAll(left, kQuoteMark, "\"");
    const std::string rightMarker = replaceAll(right, kQuoteMark, "\"");
    std::size_t from = start < 1 ? 0 : static_cast<std::size_t>(start - 1);
    std::size_t leftAt = findText(text, leftMarker, from, caseSensitive);
    if (leftAt == std::string::npos) return {};
    std::size_t contentAt = leftAt + leftMarker.size();
    std::size_t rightAt = findText(text, rightMarker, contentAt, caseSensitive);
    if (rightAt == std::string::npos) return {};
    return text.substr(contentAt, rightAt - contentAt);
}

std::string valueAfterColon(const std::string& text) {
    std::size_t colon = text.find(':');
    return colon == std::string::npos ? std::string() : trimSpaces(text.substr(colon + 1));
}

std::string urlHost(const std::string& url, bool lastTwoLabels, bool keepPort) {
    std::string text = gbkLowerAscii(url);
    if (text.empty() || text.back() != '/') text += "/";
    // A URL without a scheme of its own is plain http, even when "http://"
    // appears later in it (in its query, say).
    std::string scheme = startsWith(text, "https://") ? "https://" : "http://";
    if (!startsWith(text, scheme)) text = scheme + text;
    std::string host = textBetween(text, scheme, "/");
    if (lastTwoLabels) {
        std::vector<std::string> labels = splitText(host, ".");
        if (labels.size() > 1) host = labels[labels.size() - 2] + "." + labels.back();
    }
    if (!keepPort) host = host.substr(0, host.find(':'));
    return host;
}

int urlPort(const std::string& url) {
    std::string host = urlHost(url, false, true);
    std::size_t colon = host.rfind(':');
    if (colon != std::string::npos) {
        // The integer value of the digits after the colon, as a number read from text.
        int port = 0;
        for (std::size_t i = colon + 1; i < host.size() && host[i] >= '0' && host[i] <= '9' && port < 100000; ++i)
            port = port * 10 + (host[i] - '0');
        return port;
    }
    return startsWith(gbkLowerAscii(url.substr(0, 5)), "https") ? 443 : 80;
}

std::string urlPath(const std::string& url) {
    std::size_t hostAt = findText(url, urlHost(url), 0, false);
    if (hostAt == std::string::npos) return "/";
    std::size_t slash = url.find('/', hostAt);
    return slash == std::string::npos ? "/" : url.substr(slash);
}

std::string cookieName(const std::string& item) {
    std::size_t equals = item.find('=');
    return trimSpaces(equals == std::string::npos ? item : item.substr(0, equals));
}

std::string removeDuplicateItems(const std::string& items) {
    std::vector<std::string> kept;
    for (const std::string& item : splitText(items, "; "))
        if (std::find(kept.begin(), kept.end(), item) == kept.end()) kept.push_back(item);
    return join(kept, "; ");
}

void mergeCookies(std::string& cookies, std::string& receivedCookies) {
    std::erase(cookies, ' ');
    std::erase(receivedCookies, ' ');
    std::vector<std::string> merged = splitText(receivedCookies, ";");
    for (const std::string& old : splitText(cookies, ";")) {
        std::string name = cookieName(old);
        bool present = std::any_of(merged.begin(), merged.end(),
                                   [&](const std::string& item) { return cookieName(item) == name; });
        if (!present) merged.push_back(old);
    }
    std::erase_if(merged, [](const std::string& item) {
        return item.size() >= 8 && item.compare(item.size() - 8, 8, "=deleted") == 0;
    });
    cookies = removeDuplicateItems(join(merged, "; "));
}

}  // namespace quarrow
