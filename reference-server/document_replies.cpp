#include "document_replies.h"

#include "boleto.h"
#include "database.h"
#include "document_layouts.h"
#include "formats.h"
#include "identity.h"
#include "request_error.h"
#include "request_values.h"
#include "server/json_value.h"

#include <optional>

using namespace std::chrono;

namespace {

// The demo company's account at its bank, printed on every slip.
constexpr std::string_view bank = "237";
constexpr std::string_view agency = "1234";
constexpr std::string_view carteira = "09";
constexpr std::string_view account = "0012345";
constexpr std::string_view company_cnpj = "11.222.333/0001-81";
constexpr std::string_view company_address =
    "Av. das Indústrias, 1500 - Distrito Industrial - Campinas / SP - "
    "CEP 13054-000";

JsonValue text(std::string_view value)
{
    return JsonValue::string(value);
}

// The document as the client's "ARQUIVO": its bytes as decimal numbers separated by commas, their
// count, and the file name.
JsonValue arquivo(const std::string& bytes, const std::string& name)
{
    std::string list;
    list.reserve(bytes.size() * 4);
    for (unsigned char byte : bytes) {
        if (!list.empty()) list += ',';
        list += std::to_string(byte);
    }
    JsonValue triple = JsonValue::array();
    triple.push_back(text(list));
    triple.push_back(JsonValue::number(std::to_string(bytes.size())));
    triple.push_back(text(name));
    return triple;
}

// When a report was made, as the call saw the time.
std::string generated_at(const LocalTime& now)
{
    return br_date(now.day) + ' ' + clock_time(now.minute_of_day);
}

std::string company_name(Database& db, std::string_view empresa)
{
    auto query = db.prepare("SELECT emp_razao FROM empresa WHERE emp_codigo = ?");
    query.bind_all(empresa);
    return query.step() ? std::string(query.text(0)) : std::string(empresa);
}

std::string salesperson_name(const Call& call)
{
    auto query = call.db.prepare("SELECT ven_nome FROM vendedor WHERE emp_codigo = ? AND ven_id = ?");
    query.bind_all(call.vendedor.empresa, call.vendedor.id);
    return query.step() ? std::string(query.text(0)) : std::string();
}

// The reports are the salesperson's own: a "VEN_ID" naming anyone else is refused.
void check_salesperson(const Call& call)
{
    if (const auto ven_id = optional_text(call.requisicao, "VEN_ID"); ven_id && *ven_id != call.vendedor.id)
        throw RequestError(403, "Relatório de outro vendedor (\"VEN_ID\" " + shorten(*ven_id) + ")");
}

// "CLI_ID" of a report: one of the salesperson's clients, or none ("NULL") for all of them.
std::optional<std::int64_t> report_client(const Call& call)
{
    if (!optional_text(call.requisicao, "CLI_ID")) return std::nullopt;
    return own_client(call, call.requisicao);
}

// "DTA_INICIO" and "DTA_FINAL" of a report, month first as the client sends them, or open.
struct Period {
    std::optional<sys_days> from, to;
    std::string describe() const
    {
        if (!from && !to) return "todo o período";
        return (from ? br_date(*from) : std::string("o início")) + " a " +
               (to ? br_date(*to) : std::string("hoje"));
    }
};

Period report_period(const Call& call)
{
    Period period;
    for (const auto& [key, bound] :
         {std::pair{"DTA_INICIO", &period.from}, std::pair{"DTA_FINAL", &period.to}}) {
        const auto value = optional_text(call.requisicao, key);
        if (!value) continue;
        *bound = parse_date(*value, DateOrder::MonthDayYear);
        if (!*bound)
            throw RequestError(400, "Valor inválido em \"" + std::string(key) +
                                        "\": esperado MM/DD/AAAA (\"" + shorten(*value) + "\")");
    }
    return period;
}

std::string client_heading(Database& db, std::string_view empresa, std::optional<std::int64_t> cli_id)
{
    if (!cli_id) return "Cliente: todos os clientes do vendedor";
    auto query = db.prepare("SELECT cli_razao FROM cliente WHERE emp_codigo = ? AND cli_id = ?");
    query.bind_all(empresa, *cli_id);
    query.step();
    return "Cliente: " + std::to_string(*cli_id) + " - " + std::string(query.text(0));
}

std::string printed_quantity(double quantity)
{
    return quantity_text(quantity);
}

std::string counted(std::int64_t count, const std::string& one, const std::string& many)
{
    return std::to_string(count) + ' ' + (count == 1 ? one : many);
}

} // namespace

void write_boleto_reply(const Call& call, std::string& out)
{
    const std::int64_t cre_id = required_whole(call.requisicao, "CRE_ID");
    const std::string_view kind = required_text(call.requisicao, "TIPO_DOCUMENTO");
    if (kind != "PDF" && kind != "LINHA_DIGITAVEL")
        throw RequestError(400, "Valor inválido em \"TIPO_DOCUMENTO\": esperado PDF ou LINHA_DIGITAVEL");

    auto row = call.db.prepare(
        "SELECT r.cli_id, r.cre_titulo, r.cre_parcela, r.cre_status, r.cre_pagamento, "
        "r.cre_valor_centavos - r.cre_pago_centavos, r.cre_dta_emissao, r.cre_dta_vencimento, "
        "COALESCE(r.cre_nosso_numero, ''), c.cli_razao, COALESCE(c.cli_cnpj_cpf, ''), "
        "COALESCE(c.end_rua, ''), COALESCE(c.end_numero, ''), COALESCE(c.end_complemento, ''), "
        "COALESCE(c.end_bairro, ''), COALESCE(c.end_cidade, ''), COALESCE(c.end_estado, ''), "
        "COALESCE(c.end_cep, '') FROM receber r JOIN cliente c ON c.emp_codigo = r.emp_codigo AND c.cli_id = "
        "r.cli_id WHERE r.emp_codigo = ? AND r.cre_id = ? AND c.ven_id = ?");
    row.bind_all(call.vendedor.empresa, cre_id, call.vendedor.id);
    if (!row.step())
        throw RequestError(404,
                           "Título " + std::to_string(cre_id) + " não encontrado na carteira do vendedor");

    const std::int64_t cli_id = row.integer(0);
    const std::int64_t cents = row.integer(5);
    const bool payable =
        row.text(4) == "BOLETO" && (row.text(3) == "Em Aberto" || row.text(3) == "Comprado") && cents > 0;
    JsonValue reply = JsonValue::object();
    if (!payable) {
        // The client takes "NULL" as "no document" and shows nothing; a typed line has no such value.
        if (kind == "LINHA_DIGITAVEL")
            throw RequestError(404, "O título " + std::string(row.text(1)) + " " + std::string(row.text(2)) +
                                        " não tem boleto a pagar");
        reply.insert("ARQUIVO", text("NULL"));
        write_reply(call, reply, out);
        return;
    }

    std::string our_number(row.text(8));
    our_number = std::string(our_number.size() < 11 ? 11 - our_number.size() : 0, '0') + our_number;
    our_number = our_number.substr(our_number.size() - 11);
    SlipData data{std::string(bank), cents, parse_iso_date(row.text(7)),
                  std::string(agency) + std::string(carteira) + our_number + std::string(account) + "0"};
    const std::string code = bar_code(data);
    const std::string line = typed_line(code);
    if (kind == "LINHA_DIGITAVEL") {
        reply.insert("LINHA_DIGITAVEL", text(line));
        write_reply(call, reply, out);
        return;
    }

    SlipContent slip;
    slip.bank_code = std::string(bank) + "-2";
    slip.typed_line = line;
    slip.bar_code = code;
    slip.beneficiary = company_name(call.db, call.vendedor.empresa) + " - CNPJ " + std::string(company_cnpj);
    slip.beneficiary_address = company_address;
    slip.agency_account = std::string(agency) + " / " + std::string(account) + "-" + check_digit_237(account);
    slip.payer = std::string(row.text(9));
    slip.payer_document = "CNPJ/CPF " + std::string(row.text(10));
    std::string street = std::string(row.text(11)) + ", " + std::string(row.text(12));
    if (!row.text(13).empty()) street += " - " + std::string(row.text(13));
    slip.payer_address = {street + " - " + std::string(row.text(14)), std::string(row.text(17)) + " - " +
                                                                          std::string(row.text(15)) + " / " +
                                                                          std::string(row.text(16))};
    slip.document_number = std::string(row.text(1)) + " " + std::string(row.text(2));
    slip.our_number =
        std::string(carteira) + "/" + our_number + "-" + check_digit_237(std::string(carteira) + our_number);
    slip.issued = br_date(parse_iso_date(row.text(6)));
    slip.due = br_date(data.due);
    slip.amount = printed_money(cents);
    slip.instructions = {"Após o vencimento cobrar multa de 2% e juros de 1% ao mês.",
                         "Não receber após 30 dias do vencimento.",
                         "Cliente " + std::to_string(cli_id) + ", título " + slip.document_number + ".",
                         "Documento de demonstração do pedidos-servidor: não tem valor de pagamento."};
    // The client opens the slip under the client's code.
    reply.insert("ARQUIVO", arquivo(slip_pdf(slip), std::to_string(cli_id) + ".pdf"));
    write_reply(call, reply, out);
}

void write_relatorio_financeiro_reply(const Call& call, std::string& out)
{
    check_salesperson(call);
    const auto cli_id = report_client(call);
    const Period period = report_period(call);
    const std::string status = std::string(optional_text(call.requisicao, "STATUS").value_or("TODOS"));
    std::string status_condition, status_heading;
    if (status == "PENDENTE") {
        status_condition =
            "r.cre_status IN ('Em Aberto', 'Comprado') AND r.cre_valor_centavos > r.cre_pago_centavos";
        status_heading = "pendentes";
    } else if (status == "PAGO") {
        status_condition = "r.cre_status = 'Pago'";
        status_heading = "pagos";
    } else if (status == "TODOS") {
        status_condition = "1";
        status_heading = "todos";
    } else {
        throw RequestError(400, "Valor inválido em \"STATUS\": esperado PENDENTE, PAGO ou TODOS");
    }

    // Only fixed texts are joined into the query; every value from the request is bound.
    auto rows = call.db.prepare(
        "SELECT r.cli_id, c.cli_razao, r.cre_titulo, r.cre_parcela, r.cre_pagamento, r.cre_status, "
        "r.cre_dta_emissao, r.cre_dta_vencimento, r.cre_valor_centavos - r.cre_pago_centavos, "
        "r.cre_valor_centavos "
        "FROM receber r JOIN cliente c ON c.emp_codigo = r.emp_codigo AND c.cli_id = r.cli_id "
        "WHERE r.emp_codigo = ?1 AND c.ven_id = ?2 AND (?3 IS NULL OR r.cli_id = ?3) "
        "AND (?4 IS NULL OR r.cre_dta_emissao >= ?4) AND (?5 IS NULL OR r.cre_dta_emissao <= ?5) AND " +
        status_condition + " ORDER BY c.cli_razao, r.cli_id, r.cre_dta_vencimento, r.cre_id");
    std::optional<std::string> from, to;
    if (period.from) from = iso_date(*period.from);
    if (period.to) to = iso_date(*period.to);
    rows.bind_all(call.vendedor.empresa, call.vendedor.id, cli_id, from, to);

    TableReport report("RELATÓRIO FINANCEIRO", company_name(call.db, call.vendedor.empresa),
                       {"Vendedor: " + call.vendedor.id + " - " + salesperson_name(call),
                        client_heading(call.db, call.vendedor.empresa, cli_id),
                        "Títulos: " + status_heading + " - emissão de " + period.describe()},
                       {{"Título", 70},
                        {"Parcela", 50},
                        {"Pagamento", 80},
                        {"Situação", 80},
                        {"Emissão", 60},
                        {"Vencimento", 60},
                        {"Valor", 62, true},
                        {"A receber", 61.28, true}});
    const std::string today = iso_date(call.now.day);
    std::int64_t current_client = -1, client_total = 0, grand_total = 0, count = 0, client_count = 0;
    const auto close_client = [&] {
        if (current_client >= 0)
            report.total({"Total do cliente", "", "", "", "", "", "", printed_money(client_total)});
    };
    while (rows.step()) {
        if (rows.integer(0) != current_client) {
            close_client();
            current_client = rows.integer(0);
            client_total = 0;
            ++client_count;
            report.group(std::to_string(current_client) + " - " + std::string(rows.text(1)));
        }
        std::string situation(rows.text(5));
        if (situation != "Pago" && rows.text(7) < today) situation += " (vencido)";
        report.row({std::string(rows.text(2)), std::string(rows.text(3)), std::string(rows.text(4)),
                    situation, br_date(parse_iso_date(rows.text(6))), br_date(parse_iso_date(rows.text(7))),
                    printed_money(rows.integer(9)), printed_money(rows.integer(8))});
        client_total += rows.integer(8);
        grand_total += rows.integer(8);
        ++count;
    }
    close_client();
    if (count == 0) report.note("Nenhum título encontrado.");
    report.total({"", "", "", "", "", "", "Total geral", printed_money(grand_total)});
    report.note(counted(count, "título", "títulos") + " de " + counted(client_count, "cliente", "clientes") +
                ".");

    JsonValue reply = JsonValue::object();
    // The client opens every report under the salesperson's id.
    reply.insert("ARQUIVO", arquivo(report.finish(generated_at(call.now)), call.vendedor.id + ".pdf"));
    write_reply(call, reply, out);
}

void write_relatorio_venda_reply(const Call& call, std::string& out)
{
    check_salesperson(call);
    const auto cli_id = report_client(call);
    const Period period = report_period(call);
    std::optional<std::int64_t> pro_id;
    if (optional_text(call.requisicao, "PRO_ID")) pro_id = required_whole(call.requisicao, "PRO_ID");
    const std::string tipo = std::string(optional_text(call.requisicao, "TIPO").value_or("ANALITICO"));
    if (tipo != "ANALITICO" && tipo != "SINTETICO")
        throw RequestError(400, "Valor inválido em \"TIPO\": esperado ANALITICO ou SINTETICO");
    const bool with_items = tipo == "ANALITICO";

    auto sales = call.db.prepare(
        "SELECT n.nfe_pedido, n.nfe_nota, n.nfe_dta_cadastro, n.cli_id, c.cli_razao, n.nfe_status, "
        "n.nfe_mercadoria_centavos, n.nfe_frete_centavos, n.nfe_total_centavos FROM nota n "
        "JOIN cliente c ON c.emp_codigo = n.emp_codigo AND c.cli_id = n.cli_id "
        "WHERE n.emp_codigo = ?1 AND c.ven_id = ?2 AND (?3 IS NULL OR n.cli_id = ?3) "
        "AND (?4 IS NULL OR n.nfe_dta_cadastro >= ?4) AND (?5 IS NULL OR n.nfe_dta_cadastro <= ?5) "
        "AND (?6 IS NULL OR EXISTS (SELECT 1 FROM item_nota i WHERE i.emp_codigo = n.emp_codigo "
        "AND i.nfe_pedido = n.nfe_pedido AND i.pro_id = ?6)) "
        "ORDER BY n.nfe_dta_cadastro DESC, n.nfe_pedido DESC");
    std::optional<std::string> from, to;
    if (period.from) from = iso_date(*period.from);
    if (period.to) to = iso_date(*period.to);
    sales.bind_all(call.vendedor.empresa, call.vendedor.id, cli_id, from, to, pro_id);
    auto items = call.db.prepare(
        "SELECT i.pro_id, COALESCE(p.pro_descricao, ''), i.infe_qtd_produto, i.infe_valor_centavos "
        "FROM item_nota i LEFT JOIN produto p ON p.emp_codigo = i.emp_codigo AND p.pro_id = i.pro_id "
        "WHERE i.emp_codigo = ?1 AND i.nfe_pedido = ?2 AND (?3 IS NULL OR i.pro_id = ?3) ORDER BY "
        "i.infe_ordem");

    std::vector<std::string> heading{"Vendedor: " + call.vendedor.id + " - " + salesperson_name(call),
                                     client_heading(call.db, call.vendedor.empresa, cli_id),
                                     "Vendas de " + period.describe() + (with_items ? "" : " (sintético)")};
    if (pro_id) heading.push_back("Somente vendas com o produto " + std::to_string(*pro_id));
    TableReport report("RELATÓRIO DE VENDAS", company_name(call.db, call.vendedor.empresa),
                       std::move(heading),
                       {{"Produto", 55},
                        {"Descrição", 235},
                        {"Qtd", 60, true},
                        {"Unitário", 85, true},
                        {"Total", 88.28, true}});
    std::int64_t count = 0, grand_total = 0;
    while (sales.step()) {
        ++count;
        grand_total += sales.integer(8);
        const std::int64_t pedido = sales.integer(0);
        report.group("Pedido " + std::to_string(pedido) + "  NF " + std::to_string(sales.integer(1)) + "  " +
                     br_date(parse_iso_date(sales.text(2))) + "  " + std::to_string(sales.integer(3)) +
                     " - " + std::string(sales.text(4)) + "  (" + std::string(sales.text(5)) + ")");
        if (with_items) {
            items.bind_all(call.vendedor.empresa, pedido, pro_id);
            while (items.step()) {
                const double quantity = items.real(2);
                report.row({std::to_string(items.integer(0)), std::string(items.text(1)),
                            printed_quantity(quantity), printed_money(items.integer(3)),
                            printed_money(static_cast<long long>(
                                quantity * static_cast<double>(items.integer(3)) + 0.5))});
            }
            items.reset();
        }
        std::string freight;
        if (sales.integer(7) != 0) freight = "Frete " + printed_money(sales.integer(7)) + "  ";
        report.total({"", freight + "Mercadorias " + printed_money(sales.integer(6)), "", "Total da nota",
                      printed_money(sales.integer(8))});
    }
    if (count == 0) report.note("Nenhuma venda encontrada.");
    report.total({"", counted(count, "venda", "vendas"), "", "Total geral", printed_money(grand_total)});

    JsonValue reply = JsonValue::object();
    reply.insert("ARQUIVO", arquivo(report.finish(generated_at(call.now)), call.vendedor.id + ".pdf"));
    write_reply(call, reply, out);
}
