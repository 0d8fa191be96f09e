#include "services/json_object.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <optional>
#include <string_view>

#include "services/charset.h"
#include "services/text_helpers.h"

namespace quarrow {

// Members keep the order in which they came, as a JavaScript object does.
using Json = nlohmann::ordered_json;

struct JsonObject::State {
    // False after text that did not parse: there is no value at all, not
    // even null.
    bool loaded = true;
    Json value = Json::object();
};

namespace {

bool isAscii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

std::string toUtf8(const std::string& gbk) { return isAscii(gbk) ? gbk : gbkToUtf8(gbk); }
std::string toGbk(const std::string& utf8) { return isAscii(utf8) ? utf8 : utf8ToGbk(utf8); }

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The value of the four hexadecimal digits at text[pos], -1 when they are
// not all there.
long hex4At(const std::string& text, size_t pos) {
    if (pos + 4 > text.size()) return -1;
    long value = 0;
    for (size_t i = pos; i < pos + 4; ++i) {
        int digit = hexValue(text[i]);
        if (digit < 0) return -1;
        value = value * 16 + digit;
    }
    return value;
}

// Checks JSON text (UTF-8) before it is parsed: rejects nesting deeper than
// the limit, which would exhaust the stack of the recursive code that copies
// and writes values, and turns each \u escape of an unpaired surrogate into
// \uFFFD, which the parser would otherwise reject along with the whole text.
bool prepareJson(std::string& text) {
    int depth = 0;
    bool inString = false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (!inString) {
            if (c == '"') {
                inString = true;
            } else if (c == '[' || c == '{') {
                if (++depth > JsonObject::kMaxDepth) return false;
            } else if ((c == ']' || c == '}') && depth > 0) {
                --depth;
            }
            continue;
        }
        if (c == '"') {
            inString = false;
        } else if (c == '\\') {
            if (i + 1 >= text.size() || text[i + 1] != 'u') {
                ++i;
                continue;
            }
            long unit = hex4At(text, i + 2);
            if (unit < 0) {
                ++i;
                continue;
            }
            if (unit >= 0xD800 && unit <= 0xDBFF) {
                bool escapeFollows = i + 7 < text.size() && text[i + 6] == '\\' && text[i + 7] == 'u';
                long next = escapeFollows ? hex4At(text, i + 8) : -1;
                if (next >= 0xDC00 && next <= 0xDFFF) {
                    i += 11;  // a whole pair
                    continue;
                }
                text.replace(i + 2, 4, "FFFD");
            } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
                text.replace(i + 2, 4, "FFFD");
            }
            i += 5;
        }
    }
    return true;
}

// Parses JSON text (GBK). Returns nothing when it is not strict JSON.
std::optional<Json> parseJsonText(const std::string& gbk) {
    std::string utf8 = toUtf8(gbk);
    if (!prepareJson(utf8)) return std::nullopt;
    Json value = Json::parse(utf8, nullptr, false);
    if (value.is_discarded()) return std::nullopt;
    return value;
}

// A number as JavaScript prints it: the shortest digits that read back as
// the same number, in plain notation from 1e-6 up to 1e21, else with an
// exponent ("1e+21", "1.5e-7"); "0" for -0.
std::string numberText(double number) {
    if (std::isnan(number)) return "NaN";
    if (std::isinf(number)) return number < 0 ? "-Infinity" : "Infinity";
    if (number == 0) return "0";
    std::string out = number < 0 ? "-" : "";
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(number), std::chars_format::scientific);
    std::string_view text(buffer, static_cast<size_t>(result.ptr - buffer));  // "d.ddde+XX"
    size_t e = text.find('e');
    std::string digits(1, text[0]);
    if (e > 1) digits.append(text.substr(2, e - 2));
    int exponent = 0;
    std::string_view exponentText = text.substr(e + 1);
    if (exponentText.front() == '+') exponentText.remove_prefix(1);
    std::from_chars(exponentText.data(), exponentText.data() + exponentText.size(), exponent);
    int k = static_cast<int>(digits.size());
    int n = exponent + 1;  // position of the decimal point after the first digit
    if (k <= n && n <= 21) {
        out += digits;
        out.append(static_cast<size_t>(n - k), '0');
    } else if (0 < n && n <= 21) {
        out += digits.substr(0, static_cast<size_t>(n));
        out += '.';
        out += digits.substr(static_cast<size_t>(n));
    } else if (-6 < n && n <= 0) {
        out += "0.";
        out.append(static_cast<size_t>(-n), '0');
        out += digits;
    } else {
        out += digits[0];
        if (k > 1) {
            out += '.';
            out += digits.substr(1);
        }
        out += n - 1 >= 0 ? "e+" : "e-";
        out += std::to_string(std::abs(n - 1));
    }
    return out;
}

// A JSON number as text; integers keep all their digits.
std::string numberText(const Json& number) {
    if (number.is_number_unsigned()) return std::to_string(number.get<std::uint64_t>());
    if (number.is_number_integer()) return std::to_string(number.get<std::int64_t>());
    return numberText(number.get<double>());
}

void writeQuoted(const std::string& text, std::string& out) {
    static const char kDigits[] = "0123456789abcdef";
    out += '"';
    for (char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    out += "\\u00";
                    out += kDigits[c >> 4];
                    out += kDigits[c & 0x0F];
                } else {
                    out += c;
                }
        }
    }
    out += '"';
}

// Writes a value as JSON.stringify does, without spaces (UTF-8).
void writeJson(const Json& value, std::string& out) {
    switch (value.type()) {
        case Json::value_t::boolean: out += value.get<bool>() ? "true" : "false"; break;
        case Json::value_t::number_integer:
        case Json::value_t::number_unsigned: out += numberText(value); break;
        case Json::value_t::number_float: {
            double number = value.get<double>();
            out += std::isfinite(number) ? numberText(number) : "null";
            break;
        }
        case Json::value_t::string: writeQuoted(value.get_ref<const std::string&>(), out); break;
        case Json::value_t::array: {
            out += '[';
            bool first = true;
            for (const Json& element : value) {
                if (!first) out += ',';
                first = false;
                writeJson(element, out);
            }
            out += ']';
            break;
        }
        case Json::value_t::object: {
            out += '{';
            bool first = true;
            for (const auto& [key, member] : value.items()) {
                if (!first) out += ',';
                first = false;
                writeQuoted(key, out);
                out += ':';
                writeJson(member, out);
            }
            out += '}';
            break;
        }
        default: out += "null"; break;
    }
}

// One step of a member path: a member name (UTF-8) and, when the name is an
// array index, its value.
struct Step {
    std::string name;
    long long index = -1;
};

// The index a name stands for: decimal digits without a leading zero, up to
// the largest array index; -1 for any other name.
long long indexOf(std::string_view name) {
    if (name.empty() || name.size() > 10 || (name.size() > 1 && name[0] == '0')) return -1;
    long long value = 0;
    for (char c : name) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value <= 4294967294LL ? value : -1;
}

Step nameStep(std::string name) {
    Step step;
    step.index = indexOf(name);
    step.name = std::move(name);
    return step;
}

// The name a bracketed number stands for: the number as JavaScript prints it.
Step numberStep(bool negative, std::string_view digits) {
    while (digits.size() > 1 && digits[0] == '0') digits.remove_prefix(1);
    std::string name(digits);
    if (digits.size() > 15) name = numberText(std::strtod(name.c_str(), nullptr));
    if (negative && name != "0") name.insert(0, "-");
    return nameStep(std::move(name));
}

bool isIdentifierStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$' ||
           static_cast<unsigned char>(c) >= 0x80;
}

bool isIdentifierPart(char c) { return isIdentifierStart(c) || (c >= '0' && c <= '9'); }

// Splits a member path (GBK) into its steps; nothing when it is not a member
// expression of the supported forms.
std::optional<std::vector<Step>> parsePath(const std::string& gbkPath) {
    const std::string path = toUtf8(gbkPath);
    std::vector<Step> steps;
    size_t i = 0;
    auto skipSpaces = [&] {
        while (i < path.size() && (path[i] == ' ' || path[i] == '\t')) ++i;
    };
    auto identifier = [&]() -> bool {
        skipSpaces();
        if (i >= path.size() || !isIdentifierStart(path[i])) return false;
        size_t start = i;
        while (i < path.size() && isIdentifierPart(path[i])) ++i;
        steps.push_back(nameStep(path.substr(start, i - start)));
        return true;
    };
    auto bracket = [&]() -> bool {  // after "["
        skipSpaces();
        if (i >= path.size()) return false;
        char c = path[i];
        if (c == '\'' || c == '"') {
            size_t start = ++i;
            while (i < path.size() && path[i] != c) i += path[i] == '\\' ? 2 : 1;
            if (i >= path.size()) return false;
            steps.push_back(nameStep(decodeStringLiteral(std::string_view(path).substr(start, i - start))));
            ++i;
        } else {
            bool negative = c == '-';
            if (negative) ++i;
            size_t start = i;
            while (i < path.size() && path[i] >= '0' && path[i] <= '9') ++i;
            if (i == start) return false;
            steps.push_back(numberStep(negative, std::string_view(path).substr(start, i - start)));
        }
        skipSpaces();
        if (i >= path.size() || path[i] != ']') return false;
        ++i;
        return true;
    };

    skipSpaces();
    if (i == path.size()) return steps;
    if (path[i] == '[') {
        ++i;
        if (!bracket()) return std::nullopt;
    } else if (!identifier()) {
        return std::nullopt;
    }
    for (skipSpaces(); i < path.size(); skipSpaces()) {
        char c = path[i++];
        if (c == '.' ? !identifier() : c == '[' ? !bracket() : true) return std::nullopt;
    }
    return steps;
}

// The step for an element index given as a number.
Step indexStep(int index) { return numberStep(index < 0, std::to_string(std::abs(static_cast<long long>(index)))); }

// The number of UTF-16 code units of a UTF-8 text: its JavaScript length.
size_t jsLength(const std::string& utf8) {
    size_t length = 0;
    for (char c : utf8) {
        unsigned char byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) != 0x80) length += byte >= 0xF0 ? 2 : 1;
    }
    return length;
}

// What a member expression evaluates to.
struct Found {
    enum class Kind { failed, undefined, value, length } kind = Kind::failed;
    const Json* json = nullptr;  // kind value
    double length = 0;           // kind length: the length of an array or string
};

using Kind = Found::Kind;

Found member(const Json& holder, const Step& step) {
    if (holder.is_object()) {
        auto it = holder.find(step.name);
        return it == holder.end() ? Found{Kind::undefined} : Found{Kind::value, &*it};
    }
    if (holder.is_array()) {
        if (step.name == "length") return {Kind::length, nullptr, static_cast<double>(holder.size())};
        if (step.index >= 0 && static_cast<size_t>(step.index) < holder.size())
            return {Kind::value, &holder[static_cast<size_t>(step.index)]};
        return {Kind::undefined};
    }
    if (holder.is_string() && step.name == "length")
        return {Kind::length, nullptr, static_cast<double>(jsLength(holder.get_ref<const std::string&>()))};
    return {Kind::undefined};
}

// Follows the steps from the value; a step from a missing or null member
// fails, as JavaScript member access does.
Found evaluate(const JsonObject::State& state, const std::vector<Step>& steps) {
    if (!state.loaded) return {Kind::failed};
    Found current{Kind::value, &state.value};
    for (const Step& step : steps) {
        if (current.kind == Kind::undefined || (current.kind == Kind::value && current.json->is_null()))
            return {Kind::failed};
        current = current.kind == Kind::length ? Found{Kind::undefined} : member(*current.json, step);
    }
    return current;
}

Found evaluate(const JsonObject::State& state, const std::string& path) {
    auto steps = parsePath(path);
    return steps ? evaluate(state, *steps) : Found{Kind::failed};
}

std::string jsonText(const Found& found) {
    if (found.kind == Kind::length) return numberText(found.length);
    if (found.kind != Kind::value) return {};
    std::string out;
    writeJson(*found.json, out);
    return toGbk(out);
}

std::string plainText(const Found& found) {
    if (found.kind != Kind::value) return found.kind == Kind::length ? numberText(found.length) : std::string();
    const Json& json = *found.json;
    switch (json.type()) {
        case Json::value_t::string: return toGbk(json.get_ref<const std::string&>());
        case Json::value_t::boolean: return json.get<bool>() ? "true" : "false";
        case Json::value_t::number_integer:
        case Json::value_t::number_unsigned:
        case Json::value_t::number_float: return numberText(json);
        case Json::value_t::array:
        case Json::value_t::object: return jsonText(found);
        default: return {};
    }
}

// The place the steps name, made when the last step names a member of an
// object or an element of an array (growing it with nulls) that does not
// exist yet; null when a JavaScript assignment would fail or be ignored.
Json* slotFor(JsonObject::State& state, const std::vector<Step>& steps) {
    if (!state.loaded || steps.empty()) return nullptr;
    Json* holder = &state.value;
    for (size_t n = 0; n + 1 < steps.size(); ++n) {
        Found next = member(*holder, steps[n]);
        if (next.kind != Kind::value) return nullptr;
        holder = const_cast<Json*>(next.json);
    }
    const Step& last = steps.back();
    if (holder->is_object()) return &(*holder)[last.name];
    if (!holder->is_array() || last.index < 0) return nullptr;
    size_t index = static_cast<size_t>(last.index);
    if (index >= holder->size()) {
        if (index - holder->size() >= static_cast<size_t>(JsonObject::kMaxArrayGrowth)) return nullptr;
        while (holder->size() <= index) holder->push_back(nullptr);
    }
    return &(*holder)[index];
}

void assign(JsonObject::State& state, const std::string& path, Json value) {
    auto steps = parsePath(path);
    if (!steps) return;
    if (Json* slot = slotFor(state, *steps)) *slot = std::move(value);
}

// A value given as a string, or with raw as JSON text.
std::optional<Json> valueOf(const std::string& value, bool raw) {
    if (raw) return parseJsonText(value);
    return Json(toUtf8(value));
}

}  // namespace

JsonObject::JsonObject() : state_(std::make_shared<State>()) {}

JsonObject::JsonObject(std::shared_ptr<State> state) : state_(std::move(state)) {}

bool JsonObject::parse(const std::string& text) {
    std::optional<Json> value = parseJsonText(text);
    state_->loaded = value.has_value();
    state_->value = value ? std::move(*value) : Json();
    return state_->loaded && !state_->value.is_null();
}

std::string JsonObject::toJson() const {
    return state_->loaded ? jsonText({Kind::value, &state_->value}) : std::string();
}

void JsonObject::clear() { reset(kJsonObject); }

void JsonObject::assignMember(const std::string& key, std::string& value, bool asExpression) {
    if (!asExpression) return assign(*state_, key, Json(toUtf8(value)));
    if (value.empty()) value = "{}";
    setMemberExpression(key, value);
}

void JsonObject::setMemberExpression(const std::string& key, const std::string& json) {
    if (std::optional<Json> value = parseJsonText(json)) assign(*state_, key, std::move(*value));
}

void JsonObject::setMemberNumber(const std::string& key, double number) {
    if (std::isfinite(number)) assign(*state_, key, Json(number));
}

double JsonObject::getNumber(const std::string& key) const {
    Found found = evaluate(*state_, key);
    if (found.kind == Kind::length) return found.length;
    if (found.kind != Kind::value) return 0;
    const Json& json = *found.json;
    if (json.is_number()) return json.get<double>();
    if (json.is_boolean()) return json.get<bool>() ? 1 : 0;
    if (!json.is_string()) return 0;
    // A string counts when it holds a decimal number and nothing else.
    std::string_view text = json.get_ref<const std::string&>();
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty() || text.find_first_not_of("0123456789.eE+-") != std::string_view::npos) return 0;
    double number = 0;
    auto result = std::from_chars(text.data(), text.data() + text.size(), number);
    return result.ec == std::errc() && result.ptr == text.data() + text.size() ? number : 0;
}

std::string JsonObject::memberJson(const std::string& key) const { return jsonText(evaluate(*state_, key)); }

std::string JsonObject::pathText(const std::string& path, bool asJson) const {
    Found found = evaluate(*state_, path);
    return asJson ? jsonText(found) : plainText(found);
}

namespace {

// An independent object holding what was found: a copy of the value, the
// computed number, or no value at all.
std::shared_ptr<JsonObject::State> copyOf(const Found& found) {
    auto state = std::make_shared<JsonObject::State>();
    if (found.kind == Kind::value) {
        state->value = *found.json;
    } else if (found.kind == Kind::length) {
        state->value = found.length;
    } else {
        state->loaded = false;
        state->value = nullptr;
    }
    return state;
}

// The steps of path followed by an element index.
std::optional<std::vector<Step>> elementPath(const std::string& path, int index) {
    auto steps = parsePath(path);
    if (steps) steps->push_back(indexStep(index));
    return steps;
}

Found evaluateElement(const JsonObject::State& state, const std::string& path, int index) {
    auto steps = elementPath(path, index);
    return steps ? evaluate(state, *steps) : Found{Kind::failed};
}

}  // namespace

JsonObject JsonObject::getObject(const std::string& path) const {
    return JsonObject(copyOf(evaluate(*state_, path)));
}

int JsonObject::count(const std::string& path) const {
    Found found = evaluate(*state_, path);
    if (found.kind == Kind::failed || found.kind == Kind::length) return 0;
    if (found.kind == Kind::undefined || found.json->is_null()) return -2;
    return found.json->is_object() || found.json->is_array() ? static_cast<int>(found.json->size()) : 0;
}

void JsonObject::push(const std::string& value, const std::string& path, bool raw) {
    std::optional<Json> element = valueOf(value, raw);
    auto steps = parsePath(path);
    if (!element || !steps) return;
    Json* target = nullptr;
    if (steps->empty()) {
        state_->loaded = true;
        target = &state_->value;
    } else {
        target = slotFor(*state_, *steps);
    }
    if (!target) return;
    if (!target->is_array()) *target = Json::array();
    target->push_back(std::move(*element));
}

JsonObject JsonObject::elementObject(int index, const std::string& path) const {
    return JsonObject(copyOf(evaluateElement(*state_, path, index)));
}

std::string JsonObject::elementText(int index, const std::string& path, bool asJson) const {
    Found found = evaluateElement(*state_, path, index);
    return asJson ? jsonText(found) : plainText(found);
}

void JsonObject::setElement(int index, const std::string& value, bool raw) {
    std::optional<Json> element = valueOf(value, raw);
    if (!element) return;
    if (Json* slot = slotFor(*state_, {indexStep(index)})) *slot = std::move(*element);
}

void JsonObject::removeElement(int index) {
    Json& array = state_->value;
    if (!state_->loaded || !array.is_array()) return;
    long long size = static_cast<long long>(array.size());
    long long start = index < 0 ? std::max(size + index, 0LL) : index;
    if (start < size) array.erase(static_cast<size_t>(start));
}

void JsonObject::reset(int typeCode) {
    if (typeCode != kJsonNoValue && typeCode != kJsonObject && typeCode != kJsonArray) return;
    state_->loaded = true;
    state_->value = typeCode == kJsonArray ? Json::array() : Json::object();
}

void JsonObject::setValue(const std::string& value, bool raw) {
    std::optional<Json> newValue = valueOf(value, raw);
    if (!newValue) return;
    state_->loaded = true;
    state_->value = std::move(*newValue);
}

bool JsonObject::hasMember(const std::string& key) const {
    Found found = evaluate(*state_, key);
    return found.kind == Kind::length || (found.kind == Kind::value && !found.json->is_null());
}

std::vector<std::string> JsonObject::keys(const std::string& path) const {
    Found found = evaluate(*state_, path);
    std::vector<std::string> names;
    if (found.kind != Kind::value) return names;
    if (found.json->is_object()) {
        for (const auto& [key, member] : found.json->items()) names.push_back(toGbk(key));
    } else if (found.json->is_array()) {
        for (size_t i = 0; i < found.json->size(); ++i) names.push_back(std::to_string(i));
    }
    return names;
}

int JsonObject::typeOf(const std::string& path) const {
    Found found = evaluate(*state_, path);
    if (found.kind == Kind::length) return kJsonNumber;
    if (found.kind != Kind::value) return kJsonNoValue;
    switch (found.json->type()) {
        case Json::value_t::null: return kJsonNoValue;
        case Json::value_t::number_integer:
        case Json::value_t::number_unsigned:
        case Json::value_t::number_float: return kJsonNumber;
        case Json::value_t::array: return kJsonArray;
        case Json::value_t::string: return kJsonString;
        default: return kJsonObject;
    }
}

}  // namespace quarrow
