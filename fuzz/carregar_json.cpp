// A cache file of any bytes read back through carregar_json.
#include "core/context.h"
#include "core/errors.h"
#include "fuzz_support.h"
#include "json_grammar.h"
#include "server/cache.h"
#include "server/json_parse.h"
#include "server/json_write.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    start_qt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static JsonParser parser;
    static Context context = [] {
        Context c;
        c.data_folder = scratch_folder();
        c.parser = &parser;
        return c;
    }();
    const std::string_view bytes = as_text(data, size);
    write_scratch_file(QStringLiteral("clientes.json"), bytes);
    std::optional<JsonValue> value;
    try {
        value = carregar_json(context, QStringLiteral("clientes.json"));
    } catch (const Error&) {
    }
    if (value && !value->is_object()) fuzz_fail("carregar_json returned a value that is not an object");

    // A file of the Windows code page (no byte-order mark) whose text is a JSON object must load:
    // folding it to ASCII may change the letters inside its strings, never the JSON around them.
    const bool has_bom =
        bytes.starts_with("\xEF\xBB\xBF") || bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
    std::size_t first = bytes.find_first_not_of(" \t\r\n");
    if (!has_bom && first != std::string_view::npos && bytes[first] == '{') {
        const GrammarCheck grammar = check_json_grammar(bytes, true);
        if (grammar.valid && grammar.depth < static_cast<int>(JsonParser::max_depth) - 4 && !value)
            fuzz_fail("a cache file holding a JSON object did not load");
    }
    if (value) {
        const std::string written = to_json(*value);
        if (!parse_json(written)) fuzz_fail("a loaded cache file does not write back as JSON", written);
    }
    return 0;
}
