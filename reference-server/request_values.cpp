#include "request_values.h"

#include "call.h"
#include "database.h"
#include "identity.h"
#include "request_error.h"
#include "server/json_value.h"
#include "server/json_write.h"

#include <charconv>

using namespace std::chrono;

namespace {

[[noreturn]] void refuse(std::string_view key, std::string_view why, std::string_view value = {})
{
    std::string message = "Valor inválido em \"" + std::string(key) + "\": " + std::string(why);
    if (!value.empty()) message += " (\"" + shorten(value) + "\")";
    throw RequestError(400, message);
}

bool all_digits(std::string_view text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

} // namespace

std::string_view pair_text(const JsonValue& object, std::string_view key)
{
    const JsonValue* value = object.find(key);
    return value != nullptr && (value->is_string() || value->is_number()) ? value->text()
                                                                          : std::string_view();
}

std::string_view required_text(const JsonValue& object, std::string_view key)
{
    const std::string_view text = pair_text(object, key);
    if (text.empty()) throw RequestError(400, "Requisição sem o valor \"" + std::string(key) + "\"");
    return text;
}

std::optional<std::string_view> optional_text(const JsonValue& object, std::string_view key)
{
    const std::string_view text = pair_text(object, key);
    if (text.empty() || text == "NULL") return std::nullopt;
    return text;
}

std::int64_t required_whole(const JsonValue& object, std::string_view key)
{
    const std::string_view text = required_text(object, key);
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        refuse(key, "esperado um número inteiro", text);
    return value;
}

std::optional<std::int64_t> parse_decimal(std::string_view text, int decimals)
{
    bool negative = false;
    if (text.starts_with('-')) {
        negative = true;
        text.remove_prefix(1);
    }
    const std::size_t separator = text.find_first_of(",.");
    const std::string_view whole = text.substr(0, separator);
    const std::string_view fraction =
        separator == std::string_view::npos ? std::string_view() : text.substr(separator + 1);
    if (!all_digits(whole) || (separator != std::string_view::npos && !all_digits(fraction)))
        return std::nullopt;
    // Far beyond any order, and safe from overflow once scaled.
    if (whole.size() > 12) return std::nullopt;

    std::int64_t value = 0;
    for (char c : whole)
        value = value * 10 + (c - '0');
    for (int place = 0; place < decimals; ++place)
        value = value * 10 + (static_cast<std::size_t>(place) < fraction.size() ? fraction[place] - '0' : 0);
    if (fraction.size() > static_cast<std::size_t>(decimals) && fraction[decimals] >= '5') ++value;
    return negative ? -value : value;
}

std::int64_t required_decimal(const JsonValue& object, std::string_view key, int decimals)
{
    const std::string_view text = required_text(object, key);
    const auto value = parse_decimal(text, decimals);
    if (!value) refuse(key, "esperado um número como 2,50 ou 2.50", text);
    return *value;
}

std::optional<sys_days> parse_date(std::string_view text, DateOrder order)
{
    if (text.size() != 10 || text[2] != text[5] ||
        std::string_view("/-.").find(text[2]) == std::string_view::npos)
        return std::nullopt;
    const std::string_view first = text.substr(0, 2), second = text.substr(3, 2), year_text = text.substr(6);
    if (!all_digits(first) || !all_digits(second) || !all_digits(year_text)) return std::nullopt;
    const auto number = [](std::string_view digits) {
        int value = 0;
        for (char c : digits)
            value = value * 10 + (c - '0');
        return value;
    };
    const int d = number(order == DateOrder::DayMonthYear ? first : second);
    const int m = number(order == DateOrder::DayMonthYear ? second : first);
    const year_month_day date{year(number(year_text)), month(static_cast<unsigned>(m)),
                              day(static_cast<unsigned>(d))};
    if (!date.ok()) return std::nullopt;
    return sys_days(date);
}

sys_days parse_iso_date(std::string_view iso)
{
    int y = 0;
    unsigned m = 0, d = 0;
    std::from_chars(iso.data(), iso.data() + 4, y);
    std::from_chars(iso.data() + 5, iso.data() + 7, m);
    std::from_chars(iso.data() + 8, iso.data() + 10, d);
    return sys_days(year(y) / month(m) / day(d));
}

std::int64_t own_client(const Call& call, const JsonValue& object)
{
    const std::int64_t cli_id = required_whole(object, "CLI_ID");
    auto query = call.db.prepare("SELECT 1 FROM cliente WHERE emp_codigo = ? AND ven_id = ? AND cli_id = ?");
    query.bind_all(call.vendedor.empresa, call.vendedor.id, cli_id);
    if (!query.step())
        throw RequestError(404,
                           "Cliente " + std::to_string(cli_id) + " não encontrado na carteira do vendedor");
    return cli_id;
}

void write_reply(const Call& call, JsonValue& reply, std::string& out)
{
    reply.insert("CHAVE_VENDEDOR", JsonValue::string(call.vendedor.chave));
    write_json(out, reply);
}
