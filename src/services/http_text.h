#pragma once

// Text helpers of the HTTP client: markers, URL parts and cookie texts. Texts
// are GBK byte strings; positions are 1-based.

#include <string>
#include <vector>

namespace quarrow {

// The text between the first left marker at or after start and the next right
// marker after it; empty when either is missing. "#引号" in a marker stands for
// a double quote. Letter case is ignored unless caseSensitive.
std::string textBetween(const std::string& text, const std::string& left, const std::string& right,
                        int start = 1, bool caseSensitive = false);

// The text after the first ":", spaces trimmed; empty when there is no ":".
std::string valueAfterColon(const std::string& text);

// The host of a URL, lower-cased, without the port unless keepPort; with
// lastTwoLabels only its last two dot-separated labels.
std::string urlHost(const std::string& url, bool lastTwoLabels = false, bool keepPort = false);
// The port: the one given in the URL, else 443 for https and 80 otherwise.
int urlPort(const std::string& url);
// The object path with its query, or "/" when the URL has none.
std::string urlPath(const std::string& url);

// The name of a cookie item: the text before its first "=", trimmed.
std::string cookieName(const std::string& item);
// Keeps the first occurrence of each item of a "; "-joined list.
std::string removeDuplicateItems(const std::string& items);
// Merges the cookies a reply set into the caller's cookie text: the reply's
// cookies first, then the caller's others, "=deleted" ones dropped. Both
// texts lose their spaces.
void mergeCookies(std::string& cookies, std::string& receivedCookies);

// Position (0-based) of needle in text at or after from, never starting
// inside a double-byte character; npos when absent.
std::size_t findText(const std::string& text, const std::string& needle, std::size_t from = 0,
                     bool caseSensitive = false);

// The items between separators; no empty item after a final separator.
std::vector<std::string> splitText(const std::string& text, const std::string& separator);

// Spaces removed from both ends (ASCII spaces and the full-width space).
std::string trimSpaces(const std::string& text);

}  // namespace quarrow
