// The reference server's reading of a request body, against a demo database, and its value readers.
// The first byte chooses: the body of a getDados_OnLine or a postDados_OnLine call, or a text for
// the decimal and date readers; from 0xF0 on, a signature header, a line feed and a body for a
// server that requires signatures, which no forged header may get past.
#include "database.h"
#include "demo_data.h"
#include "fuzz_support.h"
#include "request_values.h"
#include "requests.h"
#include "server/json_parse.h"

#include <algorithm>
#include <string>

namespace {

const RequestHandler* handler = nullptr;
const RequestHandler* signed_handler = nullptr;

void read_values(std::string_view text)
{
    for (int decimals = 0; decimals <= 3; ++decimals) {
        const std::optional<std::int64_t> value = parse_decimal(text, decimals);
        // Every digit of a number it takes is in the text: no value can exceed what they spell.
        if (value && text.size() < 15 && (*value > 999'999'999'999'999 || *value < -999'999'999'999'999))
            fuzz_fail("parse_decimal read more than the text holds", text);
    }
    (void)parse_date(text, DateOrder::DayMonthYear);
    (void)parse_date(text, DateOrder::MonthDayYear);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const std::string path = scratch_folder().toStdString() + "servidor.db";
    prepare_database(path, SeedSizes{});
    static const RequestHandler requests(path);
    handler = &requests;
    static const RequestHandler signed_requests(path, {}, true);
    signed_handler = &signed_requests;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    const std::string_view body = as_text(data + 1, size - 1);
    if (data[0] >= 0xF0) {
        const std::size_t line = std::min(body.find('\n'), body.size());
        CallInfo info;
        const HttpReply reply =
            signed_handler->handle(ServerMethod::GetDados, body.substr(line), info, body.substr(0, line));
        // Refused, or told to wait once wrong signatures pile up: never answered.
        if ((reply.status != 401 && reply.status != 429) || reply.body.find("result") != std::string::npos)
            fuzz_fail("a request without a true signature was answered", reply.body);
        return 0;
    }
    if (data[0] % 3 == 2) {
        read_values(body);
        return 0;
    }
    CallInfo info;
    const HttpReply reply =
        handler->handle(data[0] % 3 == 0 ? ServerMethod::GetDados : ServerMethod::PostDados, body, info);
    if (reply.status >= 500) fuzz_fail("a request made an internal error", reply.body);
    const std::optional<JsonValue> parsed = parse_json(reply.body);
    if (!parsed || !parsed->is_object()) fuzz_fail("the reply is not a JSON object", reply.body);
    if ((reply.status == 200) != (parsed->find("result") != nullptr))
        fuzz_fail("the reply's status and body disagree", reply.body);
    return 0;
}
