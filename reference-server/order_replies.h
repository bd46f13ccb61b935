#pragma once

#include "call.h"

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>

// The replies of the order screen: the purchase mix, the three checks made before an order is sent,
// and the order itself.
void write_mix_venda_reply(const Call& call, std::string& out);
void write_validar_estoque_reply(const Call& call, std::string& out);
void write_validar_financeiro_reply(const Call& call, std::string& out);
void write_validar_hora_envio_reply(const Call& call, std::string& out);
// Stores the posted order with its items and instalments. A salesperson's order number is stored
// once: the same order posted again is accepted without a second copy, while another order under a
// number already taken is refused, so that it is never lost unnoticed.
void write_novo_pedido_reply(const Call& call, std::string& out);

// When a company takes orders: minutes of the day from `start` to `limit`, both included (a window
// that passes midnight when start > limit), on every weekday but the blocked ones.
struct SendingRules {
    int start = 0;
    int limit = 23 * 60 + 59;
    std::set<int> blocked_days;
};
struct SendingVerdict {
    bool allowed = true;
    // The blocked weekday when the day is the reason; none when it is the hour.
    std::optional<int> blocked_day;
};
SendingVerdict check_sending_time(const SendingRules& rules, const LocalTime& now);

class Database;
// Replaces the stored sending hours and/or blocked weekdays of every company.
void store_sending_rules(Database& db, const std::optional<std::pair<int, int>>& hours,
                         const std::optional<std::set<int>>& blocked_days);

// "HH:MM" as minutes of the day, or none.
std::optional<int> parse_hour(std::string_view text);
