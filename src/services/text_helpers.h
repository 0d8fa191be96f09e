#pragma once

// Small conversions applied to names, paths and sizes taken from the
// service's pages and JSON replies. Texts are GBK byte strings unless a
// comment says otherwise. gbkToUtf8 and utf8ToGbk come from charset.h.

#include <string>
#include <string_view>

#include "services/charset.h"

namespace quarrow {

// Decodes a text that carries JavaScript string escapes and percent escapes,
// such as a file name cut out of a page's script data ("\/\u6587\u4ef6"
// gives "/文件"). The text is read as the contents of a single-quoted
// JavaScript string (backslash escapes: \uXXXX with surrogate pairs, \xHH,
// octal, \n, \t, \/, \' and the rest), after every "\u" has become "%u",
// and the result is percent-decoded as the JavaScript function unescape does
// (%uXXXX and %XX, the latter naming the character U+00XX). Line breaks and
// apostrophes come back as they were; a "’" in the text comes back as "'"
// and a "{$}" as CR LF. A line break that is not CR LF and a final lone
// backslash, which a JavaScript string could not hold, are kept as they are.
// Characters GBK lacks become "?".
std::string decodeEscapes(const std::string& text);

// Decodes the backslash escapes of the contents of a JavaScript string
// literal, as decodeEscapes does but without its other steps. UTF-8 in and out;
// unpaired surrogates become U+FFFD.
std::string decodeStringLiteral(std::string_view utf8);

// Percent-encodes every byte of the text, or of its UTF-8 form when asUtf8,
// as "%" and two upper-case hexadecimal digits. With keepUnreserved, ASCII
// letters, digits, "-" and "." are kept as they are.
std::string urlEncode(const std::string& text, bool keepUnreserved = false, bool asUtf8 = false);

// Replaces each "%" and the two hexadecimal digits after it (either case) by
// the byte they spell; a "%" without two hexadecimal digits after it is kept.
// With fromUtf8 the decoded bytes are then converted from UTF-8 to GBK.
std::string urlDecode(const std::string& text, bool fromUtf8 = false);

// A byte count as a short size text: the value in B, KB, MB or GB (powers of
// 1024), rounded half up to two decimals and written with at most 13
// significant digits and no trailing zeros, a space, the unit: "0 B",
// "1.5 KB", "4.77 MB", "2048 GB". Exactly 1024 bytes is "1 KB" (likewise
// "1 MB", "1 GB"). A value that is not a finite number gives "0 B".
std::string formatSize(double bytes);

// A random number from 0 up to 1 written as the query stamp of a request:
// "0." and 15 decimal digits, 17 bytes in all.
std::string randomStamp();

}  // namespace quarrow
