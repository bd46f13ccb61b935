#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class JsonValue;
struct Call;

// Readers of the pairs of a request. Each raises RequestError 400 naming the pair when a value is
// missing or does not read, so that the salesperson sees what the server could not take.

// The text of a string or a number; empty when the pair is missing or holds anything else.
std::string_view pair_text(const JsonValue& object, std::string_view key);
// As pair_text, but a missing or empty value is refused.
std::string_view required_text(const JsonValue& object, std::string_view key);
// The client's "NULL" (an unset value) and an absent pair both give nothing.
std::optional<std::string_view> optional_text(const JsonValue& object, std::string_view key);
std::int64_t required_whole(const JsonValue& object, std::string_view key);

// A decimal text with either a comma or a full stop before the decimals ("2,00", "2.00", "-3",
// "0,5"), scaled to `decimals` places and rounded half away from zero. No thousands separators: a
// text with two separators is ambiguous ("1.234,5") and gives nothing, as does anything else that is
// not such a number.
std::optional<std::int64_t> parse_decimal(std::string_view text, int decimals);
std::int64_t required_decimal(const JsonValue& object, std::string_view key, int decimals);

enum class DateOrder { DayMonthYear, MonthDayYear };
// Two-digit day and month and four-digit year, separated by one '/', '-' or '.' (the client writes
// dates with the regional separator). Impossible dates give nothing.
std::optional<std::chrono::sys_days> parse_date(std::string_view text, DateOrder order);
std::chrono::sys_days parse_iso_date(std::string_view iso);

// Appends the reply object with the caller's stored key as its last pair, as every reply carries it.
void write_reply(const Call& call, JsonValue& reply, std::string& out);

// The "CLI_ID" of the request, refused unless it names one of the caller's own clients.
std::int64_t own_client(const Call& call, const JsonValue& object);
