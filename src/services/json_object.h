#pragma once

// A JSON value read and changed by member path, for the service's JSON
// replies.
//
// A member path is a JavaScript member expression relative to the value:
// `list`, `list[3]`, `list[0].isdir`, `list[3]['server_filename']`, `["a"]`,
// `[0]` (a path may begin with a bracket), `a.b.c`. Names are identifiers or
// quoted strings with JavaScript escapes; indexes are decimal. `length` of an
// array or a string is its length. The empty path is the value itself.
//
// Texts in and out are GBK. Reading a member as text gives: a string as its
// text, a number as JavaScript prints it (1e+21, 0.3, 5 for 5.0) except
// that integers keep all their digits (64-bit ids), true and false as "true"
// and "false", an object or array as its JSON text, and empty text for null
// or a missing member. JSON text out is written as JSON.stringify writes it,
// with object members in the order they came in.
//
// Nothing here fails loudly: an operation that cannot be carried out (a path
// that breaks off at a missing or null member, a path that is not a member
// expression, JSON text that does not parse) changes nothing and gives empty
// text, 0 or false.
//
// Copies share one value, so a change made through one copy is seen by all;
// getObject and elementObject make independent deep copies.

#include <memory>
#include <string>
#include <vector>

namespace quarrow {

// Kinds of value, as typeOf reports them and reset takes them.
enum JsonType : int {
    kJsonNoValue = 0,  // missing or null
    kJsonNumber = 2,
    kJsonObject = 4,   // also what true and false report
    kJsonArray = 5,
    kJsonString = 6,
};

class JsonObject {
public:
    // An empty object ({}).
    JsonObject();

    // Loads JSON text (GBK) as the value. Returns whether a value other than
    // null was loaded. Text that is not strict JSON, or nests deeper than
    // kMaxDepth, loads nothing: the object then holds no value, every path
    // reads as failed and count gives 0.
    bool parse(const std::string& text);

    // The value as JSON text; empty text when no value is loaded.
    std::string toJson() const;

    // Replaces the value with an empty object.
    void clear();

    // Sets the member at path key to the string value; with asExpression,
    // value is JSON text instead (an empty value is first set to "{}").
    void assignMember(const std::string& key, std::string& value, bool asExpression = false);
    // Sets the member at path key to the value of the JSON text.
    void setMemberExpression(const std::string& key, const std::string& json);
    // Sets the member at path key to a number; nothing happens for infinity
    // and NaN, which JSON cannot hold.
    void setMemberNumber(const std::string& key, double number);
    // The member as a number: a number as it is, a string that holds a
    // decimal number as that number, true as 1, anything else 0.
    double getNumber(const std::string& key) const;
    // The member as JSON text; empty text when it is missing.
    std::string memberJson(const std::string& key) const;
    // The member as text, or with asJson as JSON text.
    std::string pathText(const std::string& path, bool asJson = false) const;
    // An independent copy of the member.
    JsonObject getObject(const std::string& path) const;

    // Number of members: the length of an array, the number of keys of an
    // object, 0 for a string, number or boolean; -2 when the value is
    // missing or null; 0 when the path fails or nothing is loaded.
    int count(const std::string& path = {}) const;
    // Appends the string value (with raw, the value of the JSON text) to the
    // array at path; a member that is not an array is first replaced by an
    // empty one.
    void push(const std::string& value, const std::string& path = {}, bool raw = false);
    // An independent copy of element index of the array at path.
    JsonObject elementObject(int index, const std::string& path = {}) const;
    // Element index of the array at path as text, or with asJson as JSON text.
    std::string elementText(int index, const std::string& path = {}, bool asJson = false) const;
    // Sets element index of the value (key index of an object) to the string
    // value, or with raw to the value of the JSON text. An array grows with
    // null elements up to index, by at most kMaxArrayGrowth elements.
    void setElement(int index, const std::string& value, bool raw = false);
    // Removes element index of an array value; a negative index counts from
    // the end.
    void removeElement(int index);
    // kJsonNoValue or kJsonObject: the value becomes {}; kJsonArray: [];
    // other codes change nothing.
    void reset(int typeCode);
    // Replaces the value with the string value, or with raw with the value of
    // the JSON text.
    void setValue(const std::string& value, bool raw = false);
    // Whether the member exists and is not null.
    bool hasMember(const std::string& key) const;
    // The own keys of the member in order: the member names of an object,
    // "0", "1", ... for an array; none for anything else.
    std::vector<std::string> keys(const std::string& path = {}) const;
    // The kind of the member (JsonType).
    int typeOf(const std::string& path = {}) const;

    // Deepest nesting of arrays and objects that parse accepts.
    static constexpr int kMaxDepth = 512;
    // Most elements one setElement may add to an array.
    static constexpr int kMaxArrayGrowth = 100000;

    // The value the copies share; defined in the implementation.
    struct State;

private:
    explicit JsonObject(std::shared_ptr<State> state);

    std::shared_ptr<State> state_;
};

}  // namespace quarrow
