#include "services/json_object.h"

#include <gtest/gtest.h>

#include <limits>

namespace quarrow {
namespace {

// Narrow literals are GBK, as the replies are once the HTTP client has
// converted them.
const std::string kListing =
    "{\"errno\":0,\"list\":["
    "{\"fs_id\":1234567890123456789,\"server_filename\":\"新建文件夹\",\"isdir\":1,\"size\":0,"
    "\"path\":\"\\/A\\/新建文件夹\"},"
    "{\"fs_id\":18446744073709551615,\"server_filename\":\"说明 \\\"v2\\\".txt\",\"isdir\":0,\"size\":5000000,"
    "\"path\":\"/A/说明.txt\",\"dlink\":\"https:\\/\\/d.example.com\\/file?fid=1&sign=x\"},"
    "{\"fs_id\":1057167512997308,\"server_filename\":\"\\u6587\\u4ef6.zip\",\"isdir\":0,\"size\":1536,"
    "\"path\":\"/A/文件.zip\",\"md5\":null,\"flags\":[true,false]}"
    "],\"request_id\":8771}";

JsonObject loaded(const std::string& text) {
    JsonObject json;
    EXPECT_TRUE(json.parse(text)) << text;
    return json;
}

TEST(JsonObjectTest, MemberPaths) {
    JsonObject json = loaded(kListing);
    struct Case {
        std::string path, text;
    };
    const Case cases[] = {
        {"errno", "0"},
        {"list[0].isdir", "1"},
        {"list[0]['server_filename']", "新建文件夹"},
        {"list[1][\"server_filename\"]", "说明 \"v2\".txt"},
        {"list[2]['server_filename']", "文件.zip"},
        {"list[0].path", "/A/新建文件夹"},
        {"list[1].size", "5000000"},
        {"list[1].dlink", "https://d.example.com/file?fid=1&sign=x"},
        {"list['1'].isdir", "0"},
        {"list[2].flags[0]", "true"},
        {"list[2].flags[1]", "false"},
        {"list.length", "3"},
        {"list[0].path.length", "8"},
        {"['errno']", "0"},
        {"[\"request_id\"]", "8771"},
        {" list [ 1 ] . isdir ", "0"},
        {"list['serv\\x65r_filename']", ""},
        {"list[0]['serv\\x65r_filename']", "新建文件夹"},
        // Missing members, indexes out of range, null: empty text.
        {"list[5].dlink", ""},
        {"list[-1].isdir", ""},
        {"list[0].dlink", ""},
        {"list[2].md5", ""},
        {"list[2].md5.deeper", ""},
        {"nothing", ""},
        {"nothing.deeper", ""},
        // Texts that are no member expression.
        {"list[", ""},
        {"list[0", ""},
        {"list]", ""},
        {"list..isdir", ""},
        {"list[0]isdir", ""},
        {"list['isdir]", ""},
        {"1list", ""},
        {"list[0].isdir;x=1", ""},
        {"list[0.5]", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(json.pathText(c.path), c.text);
    }
}

TEST(JsonObjectTest, IdsKeepAllTheirDigits) {
    JsonObject json = loaded(kListing);
    EXPECT_EQ(json.count("list"), 3);
    EXPECT_EQ(json.pathText("list[2]['fs_id']", true), "1057167512997308");
    EXPECT_EQ(json.pathText("list[0]['fs_id']", true), "1234567890123456789");
    EXPECT_EQ(json.pathText("list[1]['fs_id']", true), "18446744073709551615");
    EXPECT_EQ(json.pathText("list[0]['fs_id']"), "1234567890123456789");
    EXPECT_EQ(loaded("{\"id\":-9223372036854775808}").pathText("id"), "-9223372036854775808");
}

TEST(JsonObjectTest, NumbersReadAsJavaScriptPrintsThem) {
    struct Case {
        std::string number, text, json;
    };
    const Case cases[] = {
        {"1e21", "1e+21", "1e+21"},
        {"1e20", "100000000000000000000", "100000000000000000000"},
        {"123456789012345678901234", "1.2345678901234569e+23", "1.2345678901234569e+23"},
        {"0.1", "0.1", "0.1"},
        {"0.30000000000000004", "0.30000000000000004", "0.30000000000000004"},
        {"1.0", "1", "1"},
        {"-2.50", "-2.5", "-2.5"},
        {"-0.0", "0", "0"},
        {"1E2", "100", "100"},
        {"0.000001", "0.000001", "0.000001"},
        {"0.0000001", "1e-7", "1e-7"},
        {"1.5e-7", "1.5e-7", "1.5e-7"},
        {"123e-20", "1.23e-18", "1.23e-18"},
        {"5e-324", "5e-324", "5e-324"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        JsonObject json = loaded("{\"v\":" + c.number + "}");
        EXPECT_EQ(json.pathText("v"), c.text);
        EXPECT_EQ(json.pathText("v", true), c.json);
    }
    // Beyond the range of a double: the parser refuses the text.
    EXPECT_FALSE(JsonObject().parse("{\"v\":1e400}"));
}

TEST(JsonObjectTest, JsonTextIsWrittenAsStringifyWritesIt) {
    const std::string text =
        "{\"b\":[1,2.5,\"x\",null,true,{}],\"a\":{\"c\":\"文\",\"d\":[]},\"e\":\"q\\\"\\\\\\n\\t\\u0001/\"}";
    JsonObject json = loaded(" \r\n" + text + "\n");
    EXPECT_EQ(json.toJson(), text);  // members in their order, no spaces
    EXPECT_EQ(json.pathText("a", true), "{\"c\":\"文\",\"d\":[]}");
    EXPECT_EQ(json.pathText("e", true), "\"q\\\"\\\\\\n\\t\\u0001/\"");
    EXPECT_EQ(json.pathText("b[3]", true), "null");
    EXPECT_EQ(json.pathText("missing", true), "");
    // Plain text of an object or array is its JSON text; of null, empty.
    EXPECT_EQ(json.pathText("a"), "{\"c\":\"文\",\"d\":[]}");
    EXPECT_EQ(json.pathText("b[3]"), "");
    EXPECT_EQ(json.memberJson("a.c"), "\"文\"");
    EXPECT_EQ(json.memberJson("a.x"), "");
    EXPECT_EQ(loaded("{\"k\":1,\"k\":2}").toJson(), "{\"k\":2}");
}

TEST(JsonObjectTest, Count) {
    struct Case {
        std::string reply, path;
        int count;
    };
    const Case cases[] = {
        {kListing, "list", 3},
        {kListing, "list[0]", 5},
        {kListing, "", 3},
        {kListing, "errno", 0},
        {kListing, "list[0].path", 0},
        {kListing, "list[2].md5", -2},
        {kListing, "missing", -2},
        {kListing, "missing.list", 0},
        {"{\"errno\":0,\"list\":[]}", "list", 0},
        {"{\"errno\":2}", "list", -2},
        {"[[1,2],[3]]", "[0]", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply + " " + c.path);
        EXPECT_EQ(loaded(c.reply).count(c.path), c.count);
    }
    EXPECT_EQ(JsonObject().count("list"), -2);
    EXPECT_EQ(JsonObject().count(), 0);
}

TEST(JsonObjectTest, PathsBeginningWithABracket) {
    JsonObject json = loaded("[[1,2],{\"a\":\"x\"},\"s\"]");
    EXPECT_EQ(json.pathText("[0][1]"), "2");
    EXPECT_EQ(json.pathText("[1].a"), "x");
    EXPECT_EQ(json.pathText("[1]['a']"), "x");
    EXPECT_EQ(json.pathText("[3]"), "");
    EXPECT_EQ(json.elementText(2), "s");
    EXPECT_EQ(json.count("[0]"), 2);
    EXPECT_EQ(json.typeOf("[2]"), kJsonString);
}

TEST(JsonObjectTest, TextThatIsNotJsonLoadsNothing) {
    const std::string bad[] = {
        "", "   ", "{", "{\"list\":[1,2}", "{'a':1}", "{a:1}", "[1,]", "{\"a\":1} trailing",
        "undefined", "NaN", "alert(1)", "{\"a\":01}", "\"unterminated", "{\"a\":\"raw\nbreak\"}",
    };
    for (const std::string& text : bad) {
        SCOPED_TRACE(text);
        JsonObject json = loaded(kListing);
        EXPECT_FALSE(json.parse(text));
        // The earlier value is gone and nothing takes its place.
        EXPECT_EQ(json.count("list"), 0);
        EXPECT_EQ(json.count(), 0);
        EXPECT_EQ(json.pathText("errno"), "");
        EXPECT_EQ(json.toJson(), "");
        EXPECT_EQ(json.typeOf(), kJsonNoValue);
        EXPECT_FALSE(json.hasMember("errno"));
        EXPECT_TRUE(json.keys().empty());
    }
    // null is JSON: it loads, but is no value.
    JsonObject json;
    EXPECT_FALSE(json.parse("null"));
    EXPECT_EQ(json.count(), -2);
    EXPECT_EQ(json.count("list"), 0);
    EXPECT_EQ(json.toJson(), "null");
    for (const std::string good : {"0", "\"s\"", "[]", "false"}) EXPECT_TRUE(json.parse(good)) << good;
}

TEST(JsonObjectTest, DeepNestingIsRefusedWithoutExhaustingTheStack) {
    JsonObject json;
    EXPECT_FALSE(json.parse(std::string(100000, '[')));
    EXPECT_FALSE(json.parse(std::string(100000, '[') + std::string(100000, ']')));
    EXPECT_FALSE(json.parse(std::string(50000, '{') + "\"a\":1" + std::string(50000, '}')));
    const int limit = JsonObject::kMaxDepth;
    EXPECT_TRUE(json.parse(std::string(limit, '[') + std::string(limit, ']')));
    EXPECT_EQ(json.toJson().size(), 2u * limit);
    EXPECT_FALSE(json.parse(std::string(limit + 1, '[') + std::string(limit + 1, ']')));
    // Brackets inside strings are text, not nesting.
    EXPECT_TRUE(json.parse("[\"" + std::string(100000, '[') + "\\\"{\"]"));
    EXPECT_EQ(json.pathText("[0]").size(), 100002u);
}

TEST(JsonObjectTest, BadCharactersBecomeQuestionMarks) {
    struct Case {
        std::string reply, text;
    };
    const Case cases[] = {
        // Unpaired surrogates, a pair GBK has no character for, a pair that is
        // a high half followed by something else.
        {"{\"n\":\"a\\ud800b\"}", "a?b"},
        {"{\"n\":\"\\udc00\"}", "?"},
        {"{\"n\":\"\\ud83d\\ude00\"}", "?"},
        {"{\"n\":\"\\ud800\\u0041\"}", "?A"},
        {"{\"n\":\"\\ud800\"}", "?"},
        // Bytes that are not GBK, such as UTF-8 that was never converted.
        {"{\"n\":\"a\x81 b\"}", "a? b"},
        {"{\"n\":\"\xC3\x28\"}", "?("},
        {"{\"n\":\"\xFF\"}", "?"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply);
        JsonObject json = loaded(c.reply);
        EXPECT_EQ(json.pathText("n"), c.text);
    }
    // Keys and paths in Chinese.
    JsonObject json = loaded("{\"名字\":{\"值\":\"文件\"}}");
    EXPECT_EQ(json.pathText("名字.值"), "文件");
    EXPECT_EQ(json.pathText("['名字']['值']"), "文件");
    EXPECT_EQ(json.keys(), std::vector<std::string>{"名字"});
}

TEST(JsonObjectTest, TypeOfHasMemberAndKeys) {
    JsonObject json = loaded(kListing);
    struct Case {
        std::string path;
        int type;
        bool present;
    };
    const Case cases[] = {
        {"list", kJsonArray, true},          {"list[0].path", kJsonString, true},
        {"errno", kJsonNumber, true},        {"list[0]", kJsonObject, true},
        {"list[2].flags[0]", kJsonObject, true}, {"list.length", kJsonNumber, true},
        {"list[2].md5", kJsonNoValue, false}, {"missing", kJsonNoValue, false},
        {"missing.x", kJsonNoValue, false},  {"list[", kJsonNoValue, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(json.typeOf(c.path), c.type);
        EXPECT_EQ(json.hasMember(c.path), c.present);
    }
    EXPECT_EQ(json.typeOf(), kJsonObject);
    // Own keys only, in order.
    EXPECT_EQ(loaded("{\"a\":1,\"b\":{}}").keys(), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(json.keys("list"), (std::vector<std::string>{"0", "1", "2"}));
    EXPECT_EQ(json.keys("list[0]"), (std::vector<std::string>{"fs_id", "server_filename", "isdir", "size", "path"}));
    EXPECT_TRUE(json.keys("errno").empty());
    EXPECT_TRUE(json.keys("missing").empty());
}

TEST(JsonObjectTest, NumbersAndCopies) {
    JsonObject json = loaded(kListing);
    EXPECT_EQ(json.getNumber("list[1].size"), 5000000);
    EXPECT_EQ(json.getNumber("list.length"), 3);
    EXPECT_EQ(json.getNumber("list[2].flags[0]"), 1);
    EXPECT_EQ(json.getNumber("list[0].path"), 0);
    EXPECT_EQ(json.getNumber("missing"), 0);
    EXPECT_EQ(loaded("{\"s\":\" 42.5 \"}").getNumber("s"), 42.5);

    // getObject and elementObject copy deeply.
    JsonObject entry = json.getObject("list[1]");
    EXPECT_EQ(entry.count(), 6);
    entry.setMemberNumber("size", 7);
    EXPECT_EQ(entry.pathText("size"), "7");
    EXPECT_EQ(json.pathText("list[1].size"), "5000000");
    EXPECT_EQ(json.elementObject(2, "list").pathText("['fs_id']", true), "1057167512997308");
    EXPECT_EQ(json.elementObject(0, "list[2].flags").toJson(), "true");
    JsonObject none = json.getObject("missing");
    EXPECT_EQ(none.toJson(), "");
    EXPECT_EQ(none.count(), 0);

    // A plain copy shares the value.
    JsonObject shared = json;
    shared.clear();
    EXPECT_EQ(json.toJson(), "{}");
}

TEST(JsonObjectTest, ElementText) {
    JsonObject json = loaded(kListing);
    EXPECT_EQ(json.elementText(1, "list[2].flags"), "false");
    EXPECT_EQ(json.elementText(0, "list", true).substr(0, 30), "{\"fs_id\":1234567890123456789,\"");
    EXPECT_EQ(json.elementText(3, "list"), "");
    EXPECT_EQ(json.elementText(-1, "list"), "");
    EXPECT_EQ(json.elementText(0, "missing"), "");
    EXPECT_EQ(loaded("{\"7\":\"seven\"}").elementText(7), "seven");
}

TEST(JsonObjectTest, AssigningMembersStoresTextAsItIs) {
    JsonObject json;
    // Quotes, backslashes and line breaks are data, never code.
    std::string value = "it's \\u0041 \"x\"\r\n'); evil('";
    json.assignMember("name", value);
    EXPECT_EQ(json.pathText("name"), value);
    EXPECT_EQ(json.pathText("name", true), "\"it's \\\\u0041 \\\"x\\\"\\r\\n'); evil('\"");

    std::string empty;
    json.assignMember("object", empty, true);
    EXPECT_EQ(empty, "{}");
    EXPECT_EQ(json.typeOf("object"), kJsonObject);
    std::string array = "[1,\"二\"]";
    json.assignMember("object.list", array, true);
    EXPECT_EQ(json.pathText("object.list[1]"), "二");
    std::string code = "alert(1)";
    json.assignMember("object", code, true);  // not JSON: nothing changes
    EXPECT_EQ(json.count("object"), 1);

    json.setMemberExpression("object.list[3]", "{\"k\":null}");  // grows the array with null
    EXPECT_EQ(json.pathText("object.list", true), "[1,\"二\",null,{\"k\":null}]");
    json.setMemberExpression("object.list[0]", "{bad");
    EXPECT_EQ(json.pathText("object.list[0]"), "1");

    json.setMemberNumber("n", 0.1);
    EXPECT_EQ(json.pathText("n"), "0.1");
    json.setMemberNumber("n", 1234567890123.5);
    EXPECT_EQ(json.pathText("n"), "1234567890123.5");
    json.setMemberNumber("nan", std::numeric_limits<double>::quiet_NaN());
    EXPECT_FALSE(json.hasMember("nan"));

    // Assignments through a missing member, to a scalar's member or with a
    // broken path change nothing.
    const std::string before = json.toJson();
    std::string x = "x";
    json.assignMember("missing.deeper", x);
    json.assignMember("n.deeper", x);
    json.assignMember("object.list[", x);
    json.assignMember("", x);
    json.setMemberExpression("object.list.length", "1");
    EXPECT_EQ(json.toJson(), before);
}

TEST(JsonObjectTest, PushAndElements) {
    JsonObject json;
    json.push("a", "items");
    json.push("{\"k\":1}", "items", true);
    json.push("not json", "items", true);
    json.push("x", "missing.items");
    EXPECT_EQ(json.toJson(), "{\"items\":[\"a\",{\"k\":1}]}");
    json.setMemberNumber("n", 5);
    json.push("b", "n");  // a member that is not an array becomes one
    EXPECT_EQ(json.pathText("n", true), "[\"b\"]");

    json.push("first");  // so does the value itself
    EXPECT_EQ(json.toJson(), "[\"first\"]");
    json.setElement(2, "[3]", true);
    json.setElement(0, "zero");
    EXPECT_EQ(json.toJson(), "[\"zero\",null,[3]]");
    json.setElement(JsonObject::kMaxArrayGrowth + 10, "far");
    json.setElement(1, "{", true);
    EXPECT_EQ(json.toJson(), "[\"zero\",null,[3]]");

    json.removeElement(1);
    EXPECT_EQ(json.toJson(), "[\"zero\",[3]]");
    json.removeElement(-1);
    json.removeElement(5);
    EXPECT_EQ(json.toJson(), "[\"zero\"]");

    JsonObject object = loaded("{\"a\":1}");
    object.setElement(3, "three");
    object.removeElement(0);
    EXPECT_EQ(object.toJson(), "{\"a\":1,\"3\":\"three\"}");

    JsonObject nothing;
    nothing.parse("not json");
    nothing.setElement(0, "x");
    EXPECT_EQ(nothing.toJson(), "");
    nothing.push("x");
    EXPECT_EQ(nothing.toJson(), "[\"x\"]");
}

TEST(JsonObjectTest, ResetAndSetValue) {
    JsonObject json = loaded(kListing);
    json.reset(kJsonArray);
    EXPECT_EQ(json.toJson(), "[]");
    json.reset(kJsonNumber);  // not a code reset knows
    EXPECT_EQ(json.toJson(), "[]");
    json.reset(kJsonNoValue);
    EXPECT_EQ(json.toJson(), "{}");
    json.setValue("文");
    EXPECT_EQ(json.typeOf(), kJsonString);
    EXPECT_EQ(json.pathText(""), "文");
    EXPECT_EQ(json.count(), 0);
    json.setValue("[1,2]", true);
    EXPECT_EQ(json.count(), 2);
    json.setValue("[1,", true);
    EXPECT_EQ(json.count(), 2);
    json.parse("broken");
    json.reset(kJsonObject);
    EXPECT_EQ(json.count(), 0);
    EXPECT_EQ(json.count("list"), -2);
}

}  // namespace
}  // namespace quarrow
