#include "services/pattern_matcher.h"

#ifndef PCRE2_CODE_UNIT_WIDTH
#define PCRE2_CODE_UNIT_WIDTH 8
#endif
#include <pcre2.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "services/charset.h"
#include "services/gbk_text.h"

namespace quarrow {
namespace {

// Effort and memory a single match attempt may use before it gives up: far
// above what a search of a large page needs, low enough that a runaway
// pattern fails within a fraction of a second.
constexpr std::uint32_t kMatchLimit = 10'000'000;
constexpr std::uint32_t kHeapLimitKiB = 64 * 1024;
constexpr std::size_t kJitStackStart = 32 * 1024;
constexpr std::size_t kJitStackMax = 8 * 1024 * 1024;

template <class T, void (*Free)(T*)>
struct Freer {
    void operator()(T* p) const { Free(p); }
};
using Code = std::unique_ptr<pcre2_code, Freer<pcre2_code, pcre2_code_free>>;
using CompileContext = std::unique_ptr<pcre2_compile_context, Freer<pcre2_compile_context, pcre2_compile_context_free>>;
using MatchContext = std::unique_ptr<pcre2_match_context, Freer<pcre2_match_context, pcre2_match_context_free>>;
using MatchData = std::unique_ptr<pcre2_match_data, Freer<pcre2_match_data, pcre2_match_data_free>>;
using JitStack = std::unique_ptr<pcre2_jit_stack, Freer<pcre2_jit_stack, pcre2_jit_stack_free>>;

std::string zeroEnded(const std::string& text) { return text.substr(0, text.find('\0')); }

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
    // from starts with an ASCII byte, which never trails a GBK lead byte, so
    // every hit starts on a whole character.
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

std::size_t utf8Length(unsigned char lead) { return lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4; }

// Maps offsets into the UTF-8 form of a GBK text back to offsets into the
// GBK text, walking both side by side. The UTF-8 form is the converter's
// output: an ASCII character stands for its own byte, U+FFFD for one byte
// that is not valid GBK, any other character for a double-byte character (or
// the single byte 0x80). Ascending lookups cost one walk over the text; a
// lookup behind the last one starts again from the mark, or from the start
// when it lies before the mark too.
class OffsetMap {
public:
    OffsetMap(const std::string& gbk, const std::string& utf8) : gbk_(gbk), utf8_(utf8) {}

    std::size_t toGbk(std::size_t utf8Offset) {
        if (utf8Offset < at_.utf8) at_ = utf8Offset >= mark_.utf8 ? mark_ : Place{};
        while (at_.utf8 < utf8Offset && at_.utf8 < utf8_.size()) step();
        return std::min(at_.gbk, gbk_.size());
    }

    // Remembers the place of the last lookup.
    void mark() { mark_ = at_; }

private:
    struct Place {
        std::size_t utf8 = 0, gbk = 0;
    };

    void step() {
        auto lead = static_cast<unsigned char>(utf8_[at_.utf8]);
        std::size_t width = utf8Length(lead);
        bool single = width == 1 || utf8_.compare(at_.utf8, 3, "\xEF\xBF\xBD") == 0 || at_.gbk >= gbk_.size() ||
                      !isGbkLeadByte(static_cast<unsigned char>(gbk_[at_.gbk]));
        at_.utf8 += width;
        at_.gbk += single ? 1 : 2;
    }

    const std::string& gbk_;
    const std::string& utf8_;
    Place at_, mark_;
};

// Offset just past the UTF-8 character at offset.
std::size_t nextCharacter(const std::string& utf8, std::size_t offset) {
    return std::min(utf8.size(), offset + utf8Length(static_cast<unsigned char>(utf8[offset])));
}

Code compile(const std::string& utf8Pattern, bool caseSensitive, bool multiline) {
    CompileContext context(pcre2_compile_context_create(nullptr));
    if (!context) return nullptr;
    pcre2_set_newline(context.get(), PCRE2_NEWLINE_LF);
    pcre2_set_compile_extra_options(context.get(), PCRE2_EXTRA_BAD_ESCAPE_IS_LITERAL);
    std::uint32_t options = PCRE2_UTF | PCRE2_UCP | PCRE2_ALT_BSUX | PCRE2_ALLOW_EMPTY_CLASS |
                            PCRE2_MATCH_UNSET_BACKREF | PCRE2_NEVER_BACKSLASH_C;
    if (!caseSensitive) options |= PCRE2_CASELESS;
    options |= multiline ? PCRE2_MULTILINE : PCRE2_DOLLAR_ENDONLY;
    int error = 0;
    PCRE2_SIZE errorOffset = 0;
    Code code(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(utf8Pattern.data()), utf8Pattern.size(), options, &error,
                            &errorOffset, context.get()));
    // Without JIT support the interpreter runs the same pattern.
    if (code) pcre2_jit_compile(code.get(), PCRE2_JIT_COMPLETE);
    return code;
}

}  // namespace

struct PatternMatcher::Results {
    std::string pattern;
    std::string subject;
    bool matched = false;  // the pattern was accepted and matching finished
    int groups = 0;
    // Per match, for the whole match and then each group: start and end byte
    // offsets into subject, -1 for a group that did not take part.
    std::vector<std::ptrdiff_t> spans;

    int count() const { return static_cast<int>(spans.size() / (2 * (groups + 1))); }

    // The span of group (0 for the whole match) of match index (both checked
    // by the caller); false for a group that did not take part.
    bool span(int index, int group, std::size_t& start, std::size_t& end) const {
        std::size_t at = 2 * (static_cast<std::size_t>(index - 1) * (groups + 1) + group);
        if (spans[at] < 0) return false;
        start = static_cast<std::size_t>(spans[at]);
        end = static_cast<std::size_t>(spans[at + 1]);
        return true;
    }

    std::string text(int index, int group, int* position) const {
        std::size_t start = 0, end = 0;
        if (index < 1 || index > count() || group < 0 || group > groups || !span(index, group, start, end)) {
            if (position) *position = -1;
            return {};
        }
        if (position) *position = static_cast<int>(start);
        return subject.substr(start, end - start);
    }
};

bool PatternMatcher::execute(const std::string& pattern, const std::string& subject, bool caseSensitive,
                             bool multiline, bool global, bool expandQuotes) {
    results_.reset();
    auto results = std::make_shared<Results>();
    results->pattern = zeroEnded(pattern);
    if (expandQuotes) replaceAll(results->pattern, "#引号", "\"");
    results->subject = zeroEnded(subject);

    auto finish = [&](bool matched) {
        results->matched = matched;
        if (!matched) results->spans.clear();
        results_ = std::move(results);
        return matched;
    };

    Code code = compile(gbkToUtf8(results->pattern), caseSensitive, multiline);
    if (!code) return finish(false);
    std::uint32_t groups = 0;
    pcre2_pattern_info(code.get(), PCRE2_INFO_CAPTURECOUNT, &groups);
    results->groups = static_cast<int>(groups);

    MatchData data(pcre2_match_data_create_from_pattern(code.get(), nullptr));
    MatchContext context(pcre2_match_context_create(nullptr));
    JitStack jitStack(pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr));
    if (!data || !context) return finish(false);
    pcre2_set_match_limit(context.get(), kMatchLimit);
    pcre2_set_heap_limit(context.get(), kHeapLimitKiB);
    if (jitStack) pcre2_jit_stack_assign(context.get(), nullptr, jitStack.get());

    const std::string text = gbkToUtf8(results->subject);
    const auto* textData = reinterpret_cast<PCRE2_SPTR>(text.data());
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
    const std::size_t pairs = groups + 1;

    // Keeps the match in the ovector, its offsets translated into the GBK
    // subject, visiting them in ascending order.
    OffsetMap offsets(results->subject, text);
    std::vector<std::pair<std::size_t, std::size_t>> order;  // UTF-8 offset, index into spans
    auto keepMatch = [&] {
        std::size_t base = results->spans.size();
        results->spans.resize(base + 2 * pairs, -1);
        order.clear();
        for (std::size_t i = 0; i < 2 * pairs; i += 2)
            if (ovector[i] != PCRE2_UNSET && ovector[i + 1] != PCRE2_UNSET)
                order.insert(order.end(), {{ovector[i], base + i}, {ovector[i + 1], base + i + 1}});
        std::sort(order.begin(), order.end());
        for (std::size_t k = 0; k < order.size(); ++k) {
            results->spans[order[k].second] = static_cast<std::ptrdiff_t>(offsets.toGbk(order[k].first));
            if (k == 0) offsets.mark();
        }
        // A span ending before its start (possible with \K) reads as empty.
        for (std::size_t i = base; i < results->spans.size(); i += 2)
            results->spans[i + 1] = std::max(results->spans[i + 1], results->spans[i]);
    };

    // The first call checks that the subject is valid UTF-8; later calls rely on it.
    std::uint32_t checked = 0;
    std::size_t start = 0;
    bool retryNonEmpty = false;  // the last match was empty and ended at start
    while (start <= text.size()) {
        std::uint32_t options = checked | (retryNonEmpty ? PCRE2_NOTEMPTY_ATSTART | PCRE2_ANCHORED : 0);
        int rc = pcre2_match(code.get(), textData, text.size(), start, options, data.get(), context.get());
        checked = PCRE2_NO_UTF_CHECK;
        if (rc == PCRE2_ERROR_NOMATCH || (rc >= 0 && retryNonEmpty && ovector[1] <= start)) {
            if (!retryNonEmpty || start >= text.size()) break;
            retryNonEmpty = false;
            start = nextCharacter(text, start);
            continue;
        }
        if (rc < 0) return finish(false);
        keepMatch();
        if (!global) break;
        retryNonEmpty = ovector[0] == ovector[1];
        start = std::max<std::size_t>(ovector[1], start);
    }
    return finish(true);
}

std::string PatternMatcher::pattern() const { return results_ ? results_->pattern : std::string(); }

std::string PatternMatcher::replace(const std::string& replacement) const {
    if (!results_ || !results_->matched) return {};
    const Results& r = *results_;
    const std::string with = zeroEnded(replacement);
    std::string out;
    std::size_t copied = 0;
    for (int index = 1; index <= r.count(); ++index) {
        std::size_t start = 0, end = 0;
        r.span(index, 0, start, end);
        if (start > copied) out.append(r.subject, copied, start - copied);
        // "$" is ASCII and never trails a GBK lead byte, so scanning bytes is safe.
        for (std::size_t i = 0; i < with.size(); ++i) {
            char c = with[i];
            char next = i + 1 < with.size() ? with[i + 1] : '\0';
            if (c != '$' || next == '\0') {
                out += c;
            } else if (next == '$') {
                out += '$';
                ++i;
            } else if (next == '&') {
                out.append(r.subject, start, end - start);
                ++i;
            } else if (next == '`') {
                out.append(r.subject, 0, start);
                ++i;
            } else if (next == '\'') {
                out.append(r.subject, end);
                ++i;
            } else if (next >= '0' && next <= '9') {
                int one = next - '0';
                char after = i + 2 < with.size() ? with[i + 2] : '\0';
                int two = after >= '0' && after <= '9' ? one * 10 + (after - '0') : 0;
                if (two >= 1 && two <= r.groups) {
                    out += r.text(index, two, nullptr);
                    i += 2;
                } else if (one >= 1 && one <= r.groups) {
                    out += r.text(index, one, nullptr);
                    i += 1;
                } else {
                    out += '$';
                }
            } else {
                out += '$';
            }
        }
        copied = std::max(copied, end);
    }
    out.append(r.subject, copied);
    return out;
}

int PatternMatcher::matchCount() const { return results_ ? results_->count() : 0; }

std::string PatternMatcher::matchText(int matchIndex, int* position) const {
    if (!results_) {
        if (position) *position = -1;
        return {};
    }
    return results_->text(matchIndex, 0, position);
}

std::string PatternMatcher::groupText(int matchIndex, int groupIndex, int* position) const {
    if (!results_ || groupIndex < 1) {
        if (position) *position = -1;
        return {};
    }
    return results_->text(matchIndex, groupIndex, position);
}

int PatternMatcher::groupCount() const { return results_ && results_->count() > 0 ? results_->groups : 0; }

}  // namespace quarrow
