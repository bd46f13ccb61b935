#include "order_replies.h"

#include "database.h"
#include "formats.h"
#include "identity.h"
#include "request_error.h"
#include "request_values.h"
#include "server/json_value.h"
#include "server/json_write.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <unordered_map>
#include <unordered_set>
#include <vector>

using namespace std::chrono;

namespace {

// The purchase mix looks back over the same half year as the card's sales history.
constexpr int mix_history_days = 180;

const JsonValue& array_pair(const JsonValue& object, std::string_view key)
{
    const JsonValue* value = object.find(key);
    if (value == nullptr || !value->is_array())
        throw RequestError(400, "Requisição sem a lista \"" + std::string(key) + "\"");
    return *value;
}

const JsonValue& element_object(const JsonValue& list, std::size_t i, std::string_view list_name)
{
    if (!list.at(i).is_object())
        throw RequestError(400, "Elemento " + std::to_string(i) + " de \"" + std::string(list_name) +
                                    "\" não é um objeto");
    return list.at(i);
}

JsonValue text(std::string_view value)
{
    return JsonValue::string(value);
}

std::string quantity_from_thousandths(std::int64_t thousandths)
{
    return quantity_text(static_cast<double>(thousandths) / 1000.0);
}

// Quantities only ever grow here; a sum past the largest count is more than any stock anyway.
std::int64_t saturating_add(std::int64_t a, std::int64_t b)
{
    std::int64_t sum = 0;
    return __builtin_add_overflow(a, b, &sum) ? std::numeric_limits<std::int64_t>::max() : sum;
}

std::int64_t stock_thousandths(double stock)
{
    const double thousandths = stock * 1000.0;
    // llround is undefined past the integer's range (and for NaN, which counts as nothing in stock).
    if (!(thousandths > -9.2e18)) return 0;
    if (thousandths >= 9.2e18) return std::numeric_limits<std::int64_t>::max();
    return std::llround(thousandths);
}

bool product_exists(Statement& query, std::string_view empresa, std::int64_t pro_id)
{
    query.bind_all(empresa, pro_id);
    const bool found = query.step();
    query.reset();
    return found;
}

} // namespace

void write_mix_venda_reply(const Call& call, std::string& out)
{
    const std::int64_t cli_id = own_client(call, call.requisicao);
    // "QTD_DIAS" is the least number of days on which the client bought a product for it to count as
    // part of the mix: "1" lists everything the client bought.
    const std::int64_t least_days = required_whole(call.requisicao, "QTD_DIAS");
    if (least_days < 1) throw RequestError(400, "Valor inválido em \"QTD_DIAS\": esperado 1 ou mais");

    auto rows = call.db.prepare(
        "SELECT i.pro_id, i.infe_qtd_produto, i.infe_valor_centavos, n.nfe_dta_cadastro FROM item_nota i "
        "JOIN nota n ON n.emp_codigo = i.emp_codigo AND n.nfe_pedido = i.nfe_pedido "
        "WHERE n.emp_codigo = ? AND n.cli_id = ? AND n.nfe_dta_cadastro >= ? "
        "ORDER BY i.pro_id, n.nfe_dta_cadastro DESC, n.nfe_pedido DESC, i.infe_ordem");
    rows.bind_all(call.vendedor.empresa, cli_id, iso_date(call.now.day - days(mix_history_days)));

    struct Entry {
        std::int64_t pro_id;
        double quantity = 0;
        std::int64_t last_price = 0;
        std::set<std::string> days;
    };
    std::vector<Entry> entries;
    while (rows.step()) {
        const std::int64_t pro_id = rows.integer(0);
        if (entries.empty() || entries.back().pro_id != pro_id)
            entries.push_back({pro_id, 0, rows.integer(2), {}}); // newest sale first
        entries.back().quantity += rows.real(1);
        entries.back().days.emplace(rows.text(3));
    }
    std::erase_if(entries,
                  [&](const Entry& e) { return static_cast<std::int64_t>(e.days.size()) < least_days; });
    // What the client buys most comes first.
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.quantity > b.quantity; });

    JsonValue reply = JsonValue::object();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        JsonValue entry = JsonValue::object();
        entry.insert("PRO_ID", text(std::to_string(entries[i].pro_id)));
        entry.insert("QTD_PERIODO", text(quantity_text(entries[i].quantity)));
        entry.insert("VLR_ULT_VENDA", text(money_text(entries[i].last_price)));
        reply.insert("MIX_VENDA" + std::to_string(i), std::move(entry));
    }
    write_reply(call, reply, out);
}

void write_validar_estoque_reply(const Call& call, std::string& out)
{
    const JsonValue& items = array_pair(call.request, "ITENS_VENDA");
    // The same product may be on several lines of one order: the stock must cover them together.
    std::vector<std::pair<std::int64_t, std::int64_t>> wanted; // product, thousandths, in order seen
    std::unordered_map<std::int64_t, std::size_t> position;    // product -> its entry in wanted
    for (std::size_t i = 0; i < items.size(); ++i) {
        const JsonValue& item = element_object(items, i, "ITENS_VENDA");
        const std::int64_t pro_id = required_whole(item, "PRO_ID");
        const std::int64_t quantity = required_decimal(item, "IVEN_QTD_PRODUTO", 3);
        if (quantity < 0)
            throw RequestError(400,
                               "Valor negativo em \"IVEN_QTD_PRODUTO\" do produto " + std::to_string(pro_id));
        const auto [it, added] = position.try_emplace(pro_id, wanted.size());
        if (added)
            wanted.emplace_back(pro_id, quantity);
        else
            wanted[it->second].second = saturating_add(wanted[it->second].second, quantity);
    }

    auto stock = call.db.prepare("SELECT pro_qtd_estoque FROM produto WHERE emp_codigo = ? AND pro_id = ?");
    JsonValue short_items = JsonValue::array();
    for (const auto& [pro_id, quantity] : wanted) {
        stock.bind_all(call.vendedor.empresa, pro_id);
        // A product the company does not have is short of everything.
        const std::int64_t available = stock.step() ? stock_thousandths(stock.real(0)) : 0;
        stock.reset();
        if (quantity <= available) continue;
        JsonValue item = JsonValue::object();
        item.insert("PRO_ID", text(std::to_string(pro_id)));
        item.insert("QTD_DISPONIVEL", text(quantity_from_thousandths(std::max<std::int64_t>(available, 0))));
        short_items.push_back(std::move(item));
    }

    JsonValue reply = JsonValue::object();
    reply.insert("VALIDAR_ESTOQUE", text(short_items.size() == 0 ? "OK" : "SEM ESTOQUE"));
    reply.insert("ITENS", std::move(short_items));
    write_reply(call, reply, out);
}

void write_validar_financeiro_reply(const Call& call, std::string& out)
{
    const std::int64_t cli_id = own_client(call, call.requisicao);
    // Overdue: still owed after its due date.
    auto rows = call.db.prepare(
        "SELECT cre_titulo, cre_parcela, cre_dta_vencimento, cre_valor_centavos - cre_pago_centavos "
        "FROM receber WHERE emp_codigo = ? AND cli_id = ? AND cre_status IN ('Em Aberto', 'Comprado') "
        "AND cre_valor_centavos > cre_pago_centavos AND cre_dta_vencimento < ? "
        "ORDER BY cre_dta_vencimento, cre_id");
    rows.bind_all(call.vendedor.empresa, cli_id, iso_date(call.now.day));
    JsonValue titulos = JsonValue::array();
    while (rows.step()) {
        JsonValue titulo = JsonValue::object();
        titulo.insert("CRE_TITULO", text(rows.text(0)));
        titulo.insert("CRE_PARCELA", text(rows.text(1)));
        titulo.insert("CRE_DTA_VENCIMENTO", text(br_date(parse_iso_date(rows.text(2)))));
        titulo.insert("CRE_TOT_DIFERENCA", text(money_text(rows.integer(3))));
        titulos.push_back(std::move(titulo));
    }

    JsonValue reply = JsonValue::object();
    reply.insert("VALIDAR_FINANCEIRO", text(titulos.size() == 0 ? "LIBERADO" : "NAO_LIBERADO"));
    reply.insert("TITULOS", std::move(titulos));
    write_reply(call, reply, out);
}

std::optional<int> parse_hour(std::string_view text)
{
    if (text.size() != 5 || text[2] != ':') return std::nullopt;
    for (std::size_t i : {0u, 1u, 3u, 4u})
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
    const int hours = (text[0] - '0') * 10 + (text[1] - '0');
    const int minutes = (text[3] - '0') * 10 + (text[4] - '0');
    if (hours > 23 || minutes > 59) return std::nullopt;
    return hours * 60 + minutes;
}

SendingVerdict check_sending_time(const SendingRules& rules, const LocalTime& now)
{
    // The day is the stronger reason: no hour of a blocked day would do.
    if (rules.blocked_days.contains(now.weekday)) return {false, now.weekday};
    const int m = now.minute_of_day;
    const bool inside = rules.start <= rules.limit ? m >= rules.start && m <= rules.limit
                                                   : m >= rules.start || m <= rules.limit;
    return {inside, std::nullopt};
}

void store_sending_rules(Database& db, const std::optional<std::pair<int, int>>& hours,
                         const std::optional<std::set<int>>& blocked_days)
{
    db.transaction([&] {
        if (hours)
            db.prepare("INSERT OR REPLACE INTO horario_envio SELECT emp_codigo, ?, ? FROM empresa")
                .bind_all(clock_time(hours->first), clock_time(hours->second))
                .run();
        if (blocked_days) {
            db.exec("DELETE FROM dia_bloqueado");
            auto insert = db.prepare("INSERT INTO dia_bloqueado SELECT emp_codigo, ? FROM empresa");
            for (int day : *blocked_days)
                insert.bind_all(day).run();
        }
    });
}

void write_validar_hora_envio_reply(const Call& call, std::string& out)
{
    SendingRules rules;
    auto hours = call.db.prepare("SELECT hora_inicio, hora_limite FROM horario_envio WHERE emp_codigo = ?");
    hours.bind_all(call.vendedor.empresa);
    if (hours.step()) {
        const auto start = parse_hour(hours.text(0));
        const auto limit = parse_hour(hours.text(1));
        if (!start || !limit) throw std::runtime_error("horário de envio mal cadastrado");
        rules.start = *start;
        rules.limit = *limit;
    }
    auto days = call.db.prepare("SELECT dia_semana FROM dia_bloqueado WHERE emp_codigo = ?");
    days.bind_all(call.vendedor.empresa);
    while (days.step())
        rules.blocked_days.insert(static_cast<int>(days.integer(0)));

    const SendingVerdict verdict = check_sending_time(rules, call.now);
    JsonValue reply = JsonValue::object();
    reply.insert("VALIDAR_HORARIO", text(verdict.allowed ? "LIBERADO" : "NAO_LIBERADO"));
    // The hour until which orders are taken, which the client shows when the hour is the reason.
    reply.insert("HORARIO", text(clock_time(rules.limit)));
    reply.insert("DIA_BLOQ", text(verdict.blocked_day ? std::to_string(*verdict.blocked_day) : "NULL"));
    write_reply(call, reply, out);
}

namespace {

struct OrderItem {
    std::int64_t ordem;
    std::int64_t pro_id;
    std::int64_t quantity; // thousandths
    std::int64_t price;    // cents
    std::int64_t flex;     // cents
    std::optional<std::string_view> marca;
    std::optional<std::int64_t> tab_id;
};

struct Instalment {
    std::optional<std::string_view> pagamento;
    std::int64_t days;
};

std::optional<std::int64_t> optional_whole_not_zero(const JsonValue& object, std::string_view key)
{
    if (!optional_text(object, key)) return std::nullopt;
    const std::int64_t value = required_whole(object, key);
    return value == 0 ? std::nullopt : std::optional(value);
}

std::int64_t not_negative(std::int64_t value, std::string_view what)
{
    if (value < 0) throw RequestError(400, "Valor negativo em \"" + std::string(what) + "\"");
    return value;
}

} // namespace

void write_novo_pedido_reply(const Call& call, std::string&)
{
    const JsonValue* venda = call.request.find("VENDA0");
    if (venda == nullptr || !venda->is_object())
        throw RequestError(400, "Requisição sem o objeto \"VENDA0\"");

    const std::int64_t cli_id = own_client(call, *venda);
    const std::int64_t pedido = required_whole(*venda, "PEDIDO");
    if (pedido < 1) throw RequestError(400, "Valor inválido em \"PEDIDO\": esperado 1 ou mais");
    if (const auto ven_id = optional_text(*venda, "VEN_ID"); ven_id && *ven_id != call.vendedor.id)
        throw RequestError(400, "\"VEN_ID\" do pedido não é o vendedor da requisição");
    const auto pagamento = optional_text(*venda, "VEN_PAGAMENTO");
    const auto observacao = optional_text(*venda, "VEN_OBSERVACAO");
    const std::int64_t mercadoria =
        not_negative(required_decimal(*venda, "VEN_TOT_MERCADORIA", 2), "VEN_TOT_MERCADORIA");
    const std::int64_t total = not_negative(required_decimal(*venda, "VEN_TOT_NOTA", 2), "VEN_TOT_NOTA");
    const auto tab_id = optional_whole_not_zero(*venda, "TAB_ID");

    // An empty delivery date reaches the server as day zero of the client's calendar.
    std::optional<std::string> entrega;
    if (const auto text = optional_text(*venda, "VEN_DTA_ENTREGA")) {
        const auto date = parse_date(*text, DateOrder::DayMonthYear);
        if (!date)
            throw RequestError(400, "Valor inválido em \"VEN_DTA_ENTREGA\": \"" + shorten(*text) + "\"");
        if (*date != sys_days(year(1899) / December / 30)) entrega = iso_date(*date);
    }

    std::vector<OrderItem> items;
    std::unordered_set<std::int64_t> positions;
    auto product_query = call.db.prepare("SELECT 1 FROM produto WHERE emp_codigo = ? AND pro_id = ?");
    const JsonValue& item_list = array_pair(*venda, "ITENS_VENDA");
    for (std::size_t i = 0; i < item_list.size(); ++i) {
        const JsonValue& item = element_object(item_list, i, "ITENS_VENDA");
        if (const auto number = optional_text(item, "VEN_ID");
            number && required_whole(item, "VEN_ID") != pedido)
            throw RequestError(400, "Item " + std::to_string(i + 1) +
                                        " traz outro número de pedido em \"VEN_ID\"");
        OrderItem line{required_whole(item, "IVEN_ORDEM"),
                       required_whole(item, "PRO_ID"),
                       not_negative(required_decimal(item, "IVEN_QTD_PRODUTO", 3), "IVEN_QTD_PRODUTO"),
                       not_negative(required_decimal(item, "IVEN_VLR_PRODUTO", 2), "IVEN_VLR_PRODUTO"),
                       required_decimal(item, "IVEN_VLR_FLEX", 2),
                       optional_text(item, "MARCA"),
                       optional_whole_not_zero(item, "TAB_ID")};
        if (!positions.insert(line.ordem).second)
            throw RequestError(400, "\"IVEN_ORDEM\" " + std::to_string(line.ordem) + " repetido nos itens");
        if (!product_exists(product_query, call.vendedor.empresa, line.pro_id))
            throw RequestError(400, "Produto " + std::to_string(line.pro_id) + " não cadastrado");
        items.push_back(line);
    }

    std::vector<Instalment> instalments;
    const JsonValue& financeiro = array_pair(*venda, "FINANCEIRO");
    for (std::size_t i = 0; i < financeiro.size(); ++i) {
        const JsonValue& parcela = element_object(financeiro, i, "FINANCEIRO");
        instalments.push_back({optional_text(parcela, "CRE_PAGAMENTO"),
                               not_negative(required_whole(parcela, "CRE_PARCELA"), "CRE_PARCELA")});
    }

    const std::string request_json = to_json(call.request);
    const Salesperson& v = call.vendedor;
    call.db.transaction([&] {
        auto stored = call.db.prepare(
            "SELECT requisicao_json FROM pedido WHERE emp_codigo = ? AND ven_id = ? AND ven_pedido = ?");
        stored.bind_all(v.empresa, v.id, pedido);
        if (stored.step()) {
            if (stored.text(0) == request_json) return; // the same order again: already stored
            throw RequestError(409, "O pedido " + std::to_string(pedido) +
                                        " já foi recebido com outro conteúdo; use outro número de pedido");
        }
        call.db.prepare("INSERT INTO pedido VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
            .bind_all(v.empresa, v.id, pedido, cli_id, pagamento, entrega, mercadoria, total, observacao,
                      tab_id, utc_stamp(call.now.utc_seconds), request_json)
            .run();
        auto insert_item = call.db.prepare("INSERT INTO item_pedido VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        for (const OrderItem& item : items)
            insert_item
                .bind_all(v.empresa, v.id, pedido, item.ordem, item.pro_id,
                          static_cast<double>(item.quantity) / 1000.0, item.price, item.flex, item.marca,
                          item.tab_id)
                .run();
        auto insert_instalment = call.db.prepare("INSERT INTO parcela_pedido VALUES (?, ?, ?, ?, ?, ?)");
        for (std::size_t k = 0; k < instalments.size(); ++k)
            insert_instalment
                .bind_all(v.empresa, v.id, pedido, static_cast<std::int64_t>(k + 1), instalments[k].pagamento,
                          instalments[k].days)
                .run();
    });
}
