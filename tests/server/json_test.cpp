#include "core/errors.h"
#include "server/json_parse.h"
#include "server/json_value.h"
#include "server/json_write.h"

#include <gtest/gtest.h>

#include <string>

using namespace Qt::StringLiterals;

namespace {

std::string nested(std::size_t depth)
{
    return std::string(depth, '[') + std::string(depth, ']');
}

} // namespace

// Parsed text and the exact bytes the writer gives back for it.
TEST(JsonWrite, writes_compact_ascii_with_the_cache_escapes)
{
    struct Case {
        std::string input;
        std::string expected;
    } cases[] = {
        {"{ \"b\" : 1 ,\n \"a\" : [ true , false , null , { } , [ ] ] }",
         R"({"b":1,"a":[true,false,null,{},[]]})"},
        {R"({"z":{"y":"1","x":"2"},"a":"3"})", R"({"z":{"y":"1","x":"2"},"a":"3"})"},
        {"\"JO\xC3\x83O\"", R"("JO\u00C3O")"},
        {R"("http://a/b")", R"("http:\/\/a\/b")"},
        {R"("\/ \u002F")", R"("\/ \/")"},
        {R"("a\"b\\c")", R"("a\"b\\c")"},
        {R"("\b\t\n\f\r")", R"("\b\t\n\f\r")"},
        {R"("\u0001\u001f\u0000")", R"("\u0001\u001F\u0000")"},
        {"\"\x7F\"", "\"\x7F\""},
        {"\"\xC2\x80\"", R"("\u0080")"},
        {"\"\xE2\x82\xAC\"", R"("\u20AC")"},
        {"\"\xF0\x9F\x98\x80\"", R"("\uD83D\uDE00")"},
        {R"("\ud83d\ude00")", R"("\uD83D\uDE00")"},
        // Long enough for the word-at-a-time path, with the escapes at every offset of a word.
        {"\"abcdefgh/ijklmnop\\\"qrstuvw\xC3\xA7xyz0123456\\n789\"",
         R"("abcdefgh\/ijklmnop\"qrstuvw\u00E7xyz0123456\n789")"},
        {"{\"CHAVE/\xC3\xA9\":\"x\"}", R"({"CHAVE\/\u00E9":"x"})"},
        {"[42,1.50,-0,1e3,1E+3,0.000000000000000000001,123456789012345678901234567890]",
         "[42,1.50,-0,1e3,1E+3,0.000000000000000000001,123456789012345678901234567890]"},
        {" \"solo\" ", R"("solo")"},
        {"7", "7"},
    };
    JsonParser parser;
    for (const Case& c : cases) {
        const std::optional<JsonValue> v = parser.parse(c.input);
        ASSERT_TRUE(v) << c.input;
        EXPECT_EQ(to_json(*v), c.expected) << c.input;
    }
}

TEST(JsonWrite, strings_escape_bytes_that_are_not_utf8)
{
    struct Case {
        std::string input;
        std::string expected;
    } cases[] = {
        {"\xC3", R"("\uFFFD")"},
        {"ab\xE2\x82", R"("ab\uFFFD\uFFFD")"},
        {"\xC0\xAF", R"("\uFFFD\uFFFD")"},
        {"\xED\xA0\x80", R"("\uFFFD\uFFFD\uFFFD")"},
        {"\xFF"
         "abcdefghijklmnop\xF4\x90\x80\x80",
         R"("\uFFFDabcdefghijklmnop\uFFFD\uFFFD\uFFFD\uFFFD")"},
        {std::string("a\0b", 3), R"("a\u0000b")"},
    };
    for (const Case& c : cases) {
        std::string out = "prefix:";
        write_json_string(out, c.input);
        EXPECT_EQ(out, "prefix:" + c.expected);
    }
}

TEST(JsonWrite, appends_to_what_the_string_holds)
{
    JsonValue o = JsonValue::object();
    o.insert("A", JsonValue::string("1"));
    std::string out = "{\"_parameters\":[";
    write_json(out, o);
    out += "]}";
    EXPECT_EQ(out, R"({"_parameters":[{"A":"1"}]})");

    std::string many;
    for (int i = 0; i < 1000; ++i)
        write_json_string(many, "x");
    EXPECT_EQ(many.size(), 3000u);
}

TEST(JsonParse, accepts_one_value_of_any_type_with_blanks_around)
{
    struct Case {
        std::string input;
        JsonValue::Type type;
        std::string_view text;
    } cases[] = {
        {" \t\r\n{\"a\":1}\r\n", JsonValue::Type::Object, ""},
        {"[]\n", JsonValue::Type::Array, ""},
        {"\"x\"\r\n", JsonValue::Type::String, "x"},
        {"-12.50", JsonValue::Type::Number, "-12.50"},
        {" 1e3 ", JsonValue::Type::Number, "1e3"},
        {"true", JsonValue::Type::True, ""},
        {"false ", JsonValue::Type::False, ""},
        {"null", JsonValue::Type::Null, ""},
    };
    JsonParser parser;
    for (const Case& c : cases) {
        const std::optional<JsonValue> v = parser.parse(c.input);
        ASSERT_TRUE(v) << c.input;
        EXPECT_EQ(v->type(), c.type) << c.input;
        EXPECT_EQ(v->text(), c.text) << c.input;
    }
}

TEST(JsonParse, rejects_anything_but_exactly_one_value)
{
    const std::string cases[] = {
        "",
        " \r\n",
        "{}{}",
        "{}\r\n{}\r\n",
        "{} x",
        "{\"a\":1}}",
        "[1]]",
        "[1],",
        "1 2",
        "\"a\" \"b\"",
        "1]",
        "]",
        "true false",
        "nul",
        "truex",
        "{\"a\":}",
        "{\"a\" 1}",
        "{\"a\":1,}",
        "[1,]",
        "[1",
        "{",
        "01",
        "1.",
        ".5",
        "-",
        "+1",
        "1e",
        "0x10",
        "NaN",
        "'a'",
        "\"tab\there\"",
        "\"\\x\"",
        "\"\\ud800\"",
        "\"unterminated",
        "\"\xFF\"",
        "{\"\xC3\x28\":1}",
        "\"\xED\xA0\x80\"",
        std::string("{}\0", 3),
        nested(JsonParser::max_depth + 1),
        nested(100000),
        std::string(100000, '['),
    };
    JsonParser parser;
    for (const std::string& c : cases)
        EXPECT_FALSE(parser.parse(c)) << c.substr(0, 40);
    // The parser is still good for the next text.
    EXPECT_TRUE(parser.parse(nested(JsonParser::max_depth)));
    EXPECT_TRUE(parser.parse("{\"a\":[1]}"));
}

// A value the parser did not consume was skipped by counting brackets, which took a following ':'
// for the end of a key: these texts came back as "x", {"a":"b","c":2} and a clean reply.
TEST(JsonParse, a_syntax_error_anywhere_fails_the_whole_text)
{
    const std::string cases[] = {
        R"("x":1})",
        R"({"a":"b":1},"c":2})",
        R"({"result":[{"CHAVE_VENDEDOR":"47261":"junk" JUNK},"A":"1"}]})",
        R"(["a":1])",
        R"(["a","b":"c"])",
        R"({"a":"12345678901234567890123456789":1})",
        R"({"a":"b
":1})",
        R"({"a":["b":{"c":1}]})",
        R"({"a":"b" "c"})",
        R"(["a" "b"])",
        R"({"a":"b"])",
        R"(["a"})",
    };
    JsonParser parser;
    for (const std::string& c : cases)
        EXPECT_FALSE(parser.parse(c)) << c;
}

// Text put after any string, wherever it stands, breaks the document.
TEST(JsonParse, stray_text_after_any_string_is_found)
{
    const std::string valid = R"({"k":"v","long":"a string longer than the inline text","esc":"a\"b","n":1,)"
                              R"("list":["x","y",{"in":"z","deep":[["w"]]}],"last":"end"})";
    ASSERT_TRUE(parse_json(valid));
    JsonParser parser;
    for (const std::string_view stray : {":1", " x", ":\"s\"", ",", " \"s\""}) {
        bool in_string = false;
        for (std::size_t i = 0; i < valid.size(); ++i) {
            if (valid[i] == '\\') {
                ++i;
                continue;
            }
            if (valid[i] != '"') continue;
            in_string = !in_string;
            if (in_string) continue;
            std::string broken = valid;
            broken.insert(i + 1, stray);
            EXPECT_FALSE(parser.parse(broken)) << broken;
        }
    }
    EXPECT_TRUE(parser.parse(valid));
}

TEST(JsonParse, texts_and_trees_beyond_the_limits_are_refused)
{
    JsonParser parser;
    EXPECT_THROW(parser.buffer(JsonParser::max_bytes + 1), ProtocolError);
    parser.buffer(16);
    EXPECT_THROW(parser.parse_buffer(JsonParser::max_bytes + 1), ProtocolError);
    EXPECT_TRUE(parser.parse("[1,2]"));

    JsonParser small(5);
    EXPECT_TRUE(small.parse("[1,2,[3]]"));
    EXPECT_TRUE(small.parse(R"({"a":1,"b":{"c":"d"}})"));
    try {
        small.parse("[1,2,[3,4]]");
        ADD_FAILURE() << "no error";
    } catch (const ProtocolError& e) {
        EXPECT_TRUE(e.message().contains(u"5 valores"_s)) << e.what();
    }
    EXPECT_THROW(small.parse(R"({"a":[{},{},{},{},{},{}]})"), ProtocolError);
    // A syntax error is still no value, and the parser is still good for the next text.
    EXPECT_FALSE(small.parse("[1,2,"));
    EXPECT_TRUE(small.parse("[1,2,3]"));
}

TEST(JsonParse, round_trips_through_the_writer)
{
    const std::string text =
        R"({"CLIENTE0":{"COL_ID_CONTROLE":17,"COL_NOME":"Padaria S\u00C3O JO\u00C3O Ltda \/ filial","NADA":null,)"
        R"("ITENS":[{"A":"1"},{"A":"2","B":[]}],"X":1.10},"CHAVE_VENDEDOR":"k\"\\"})";
    JsonParser parser;
    const std::optional<JsonValue> v = parser.parse(text);
    ASSERT_TRUE(v);
    EXPECT_EQ(to_json(*v), text);
    EXPECT_EQ(v->at(0).find("COL_NOME")->text(), "Padaria S\xC3\x83O JO\xC3\x83O Ltda / filial");
    const std::optional<JsonValue> again = parser.parse(to_json(*v));
    ASSERT_TRUE(again);
    EXPECT_EQ(*again, *v);
}

// Texts up to the inline size stay in the value; longer ones go to the heap. Both must survive
// copies, moves and the container growing under them.
TEST(JsonValue, keeps_texts_and_pairs_through_copies_moves_and_growth)
{
    const std::string lengths[] = {"", std::string(22, 'a'), std::string(23, 'b'), std::string(24, 'c'),
                                   std::string(300, 'd')};
    JsonValue o = JsonValue::object();
    for (const std::string& s : lengths)
        o.insert(s + "k", JsonValue::string(s));
    JsonValue a = JsonValue::array();
    for (int i = 0; i < 100; ++i)
        a.push_back(JsonValue::number(std::to_string(i) + std::string(30, '0')));
    o.insert("array", std::move(a));
    EXPECT_TRUE(a.is_null());

    JsonValue copy = o;
    copy.insert("extra", JsonValue::boolean(true));
    copy.at(0) = JsonValue::string("changed");
    EXPECT_EQ(o.size(), 6u);
    EXPECT_EQ(copy.size(), 7u);
    EXPECT_EQ(o.at(0).text(), "");

    const JsonValue moved = std::move(o);
    ASSERT_EQ(moved.size(), 6u);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(moved.key_at(i), lengths[i] + "k");
        EXPECT_EQ(moved.at(i).text(), lengths[i]);
        EXPECT_EQ(moved.find(lengths[i] + "k"), &moved.at(i));
    }
    ASSERT_EQ(moved.find("array")->size(), 100u);
    EXPECT_EQ(moved.find("array")->at(99).text(), "99" + std::string(30, '0'));
    EXPECT_THROW(moved.at(6), std::out_of_range);
    EXPECT_THROW(moved.key_at(6), std::out_of_range);
    EXPECT_EQ(JsonValue::string("x").find("x"), nullptr);
    EXPECT_EQ(JsonValue::array().size(), 0u);

    std::optional<JsonValue> wrapped = parse_json(R"({"result":[{"A":"1234567890123456789012345"}]})");
    ASSERT_TRUE(wrapped);
    *wrapped = std::move(wrapped->at(0));
    *wrapped = std::move(wrapped->at(0));
    EXPECT_EQ(to_json(*wrapped), R"({"A":"1234567890123456789012345"})");

    for (const std::size_t room : {0u, 1u, 3u}) {
        JsonValue r = JsonValue::array();
        r.reserve(room);
        for (int i = 0; i < 10; ++i)
            r.push_back(JsonValue::number(std::to_string(i)));
        EXPECT_EQ(to_json(r), "[0,1,2,3,4,5,6,7,8,9]") << room;
    }
}

TEST(JsonValue, find_returns_the_first_pair_of_a_name)
{
    for (const std::size_t pairs : {3u, 40u}) {
        JsonValue o = JsonValue::object();
        for (std::size_t i = 0; i < pairs; ++i)
            o.insert("K" + std::to_string(i), JsonValue::number(std::to_string(i)));
        o.insert("K1", JsonValue::string("second"));
        EXPECT_EQ(o.find("K1")->text(), "1") << pairs;
        // After the names are indexed, later pairs still go in as the first or as duplicates.
        o.insert("NEW", JsonValue::string("n"));
        o.insert("K2", JsonValue::string("second"));
        EXPECT_EQ(o.find("NEW")->text(), "n") << pairs;
        EXPECT_EQ(o.find("K2")->text(), "2") << pairs;
        EXPECT_EQ(o.find("missing"), nullptr) << pairs;
        EXPECT_EQ(o.find(""), nullptr) << pairs;
    }
    const std::optional<JsonValue> parsed = parse_json(R"({"A":1,"A":2})");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->size(), 2u);
    EXPECT_EQ(parsed->find("A")->text(), "1");
}

// A reply holds one pair per client: each is found by its name, those inserted after the parse too.
// How long the lookups take is the catalogue benchmark's to say (bench/).
TEST(JsonValue, find_in_an_object_of_many_pairs_finds_each_and_those_inserted_later)
{
    constexpr int n = 100000;
    std::string text = "{";
    for (int i = 0; i < n; ++i)
        text += "\"CLIENTE" + std::to_string(i) + "\":{\"ID\":" + std::to_string(i) + "},";
    text += "\"CHAVE_VENDEDOR\":\"abc\"}";
    std::optional<JsonValue> reply = parse_json(text);
    ASSERT_TRUE(reply);
    ASSERT_EQ(reply->size(), std::size_t{n} + 1);
    for (int i = n - 1; i >= 0; --i) {
        const JsonValue* client = reply->find("CLIENTE" + std::to_string(i));
        ASSERT_NE(client, nullptr) << i;
        ASSERT_EQ(client->find("ID")->text(), std::to_string(i));
    }
    EXPECT_EQ(reply->find("CHAVE_VENDEDOR")->text(), "abc");
    EXPECT_EQ(reply->find("CLIENTE100000"), nullptr);

    for (int i = n; i < 2 * n; ++i)
        reply->insert("CLIENTE" + std::to_string(i), JsonValue::number(std::to_string(i)));
    for (int i = 0; i < 2 * n; i += 997)
        ASSERT_NE(reply->find("CLIENTE" + std::to_string(i)), nullptr) << i;
    EXPECT_EQ(reply->find("CLIENTE" + std::to_string(2 * n - 1))->text(), std::to_string(2 * n - 1));
}
