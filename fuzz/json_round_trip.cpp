// The JSON parser against JSON's grammar, and the writer's text parsed back to the same value.
#include "core/errors.h"
#include "fuzz_support.h"
#include "json_grammar.h"
#include "server/json_parse.h"
#include "server/json_write.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static JsonParser parser;
    const std::string_view text = as_text(data, size);
    try {
        const std::optional<JsonValue> value = parser.parse(text);
        const GrammarCheck grammar = check_json_grammar(text);
        // The parser's own depth limit makes the two differ only near it.
        if (grammar.depth < static_cast<int>(JsonParser::max_depth) - 4) {
            if (value && !grammar.valid) fuzz_fail("the parser took a text that is not JSON");
            if (!value && grammar.valid) fuzz_fail("the parser refused valid JSON");
        }
        if (!value) return 0;

        const std::string written = to_json(*value);
        for (const char c : written)
            if (static_cast<unsigned char>(c) > 0x7F)
                fuzz_fail("the writer wrote a byte above 7-bit ASCII", written);
        const std::optional<JsonValue> again = parser.parse(written);
        if (!again) fuzz_fail("the writer's text does not parse", written);
        if (!(*again == *value)) fuzz_fail("the writer's text parses to another value", written);
        if (to_json(*again) != written) fuzz_fail("writing the value read back gives other text", written);
    } catch (const Error&) {
    }
    return 0;
}
