#pragma once

// Regular-expression matching over GBK texts.
//
// Pattern and subject are matched as Unicode text, so a Chinese character is
// one character of the pattern, and every text handed back is a piece of the
// subject made of whole characters. The dialect:
//
// - letters match regardless of case unless caseSensitive is set, for every
//   script, not only ASCII; \s covers Unicode white space (the full-width
//   space included);
// - "." matches every character except the line feed (a carriage return
//   included); with multiline, ^ and $ match at each line feed, without it
//   only at the very start and end of the subject;
// - a brace that does not start a repetition count stands for itself, and so
//   does an escaped character without a meaning of its own ("\/", "\&", "\y");
//   \uhhhh and \xhh give a character by its code; [] matches nothing and [^]
//   any character; a back reference to a group that did not take part matches
//   the empty text;
// - global matching goes on after an empty match by first trying a non-empty
//   match at the same place, then moving on by one whole character.
//
// Matching has fixed limits on effort and memory, so a runaway pattern fails
// instead of hanging; a text (pattern, subject, replacement) ends at its first
// zero byte.
//
// Copies share the results of the last execute; each execute replaces an
// instance's results without touching those of its copies.

#include <memory>
#include <string>

namespace quarrow {

class PatternMatcher {
public:
    // Runs pattern over subject and keeps the matches: all of them with
    // global, else the first. With expandQuotes every "#引号" of the pattern
    // is replaced by a double quote first. Returns false, and keeps no
    // matches, when the pattern is rejected or matching gives up at its
    // limits; a subject without a match gives true.
    bool execute(const std::string& pattern, const std::string& subject, bool caseSensitive = false,
                 bool multiline = true, bool global = true, bool expandQuotes = false);

    // The pattern of the last execute as matched (quotes expanded), rejected
    // or not; empty text before the first execute.
    std::string pattern() const;

    // The subject of the last execute with each kept match replaced by
    // replacement, in which "$1" to "$99" stand for a group's text (empty for
    // a group that did not take part; a number beyond the groups is read as
    // one digit, then as literal text), "$&" for the match, "$`" and "$'" for
    // the subject before and after it, "$$" for "$". Empty text when the last
    // execute returned false or there was none.
    std::string replace(const std::string& replacement = {}) const;

    int matchCount() const;

    // The text of match matchIndex (1-based). position, when given, receives
    // the 0-based byte offset of that text in the subject. A match that does
    // not exist gives empty text and position -1.
    std::string matchText(int matchIndex, int* position = nullptr) const;

    // The text of capture group groupIndex (1-based, numbered by opening
    // parenthesis) of match matchIndex (1-based), with its byte offset as for
    // matchText. A missing match or group, or a group that did not take part
    // in the match, gives empty text and position -1.
    std::string groupText(int matchIndex, int groupIndex, int* position = nullptr) const;

    // The number of capture groups of the pattern; 0 when there is no match.
    int groupCount() const;

private:
    struct Results;
    std::shared_ptr<const Results> results_;
};

}  // namespace quarrow
