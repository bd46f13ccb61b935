#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

class Database;
class JsonValue;
struct Salesperson;

// Seconds since 1970 by the machine's clock: the one place where the server reads it.
std::int64_t clock_seconds();

// The server's local wall-clock time when a call arrived: the day for dates and histories, the
// minute of the day and the weekday (0 Sunday .. 6 Saturday) for the sending-time check, and the
// instant for what is stored with its time.
struct LocalTime {
    std::chrono::sys_days day;
    int minute_of_day = 0;
    int weekday = 0;
    std::int64_t utc_seconds = 0;
};
// The time now; a given today stands for the day (its weekday, and the instant moved by as many
// days), so that tests can run across midnight and on any weekday.
LocalTime local_now(std::optional<std::chrono::sys_days> today = {});

// One answered call: who asked, what was asked, and when.
struct Call {
    Database& db;
    const Salesperson& vendedor;
    // The whole request object: "REQUISICAO" and, for two kinds, one more pair after it.
    const JsonValue& request;
    const JsonValue& requisicao;
    LocalTime now;
};

// Appends the reply object of one kind to `out`; raises RequestError for a request it refuses.
using ReplyWriter = void (*)(const Call& call, std::string& out);
