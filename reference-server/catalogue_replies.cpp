#include "catalogue_replies.h"

#include "database.h"
#include "formats.h"
#include "identity.h"
#include "reply_pieces.h"
#include "server/json_write.h"

#include <charconv>
#include <string_view>

namespace {

// Pairs written one after the other into an object that is already open. Every name and text goes
// through the project's JSON string writer; numbers are written as their digits.
class PairWriter {
public:
    explicit PairWriter(std::string& out) : out_(out) {}

    void name(std::string_view key)
    {
        if (!first_) out_ += ',';
        first_ = false;
        write_json_string(out_, key);
        out_ += ':';
    }
    void text(std::string_view key, std::string_view value)
    {
        name(key);
        write_json_string(out_, value);
    }
    void number(std::string_view key, std::int64_t value)
    {
        name(key);
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        out_.append(digits, end);
    }
    // A column that may be NULL: JSON null, which the client reads as the pair's default.
    void text_or_null(std::string_view key, const Statement& row, int column)
    {
        if (row.is_null(column)) {
            name(key);
            out_ += "null";
        } else {
            text(key, row.text(column));
        }
    }
    void numbered(std::string_view prefix, std::size_t index)
    {
        name(std::string(prefix) + std::to_string(index));
    }

private:
    std::string& out_;
    bool first_ = true;
};

} // namespace

void write_cliente_list(Database& db, const Salesperson& vendedor, std::string& out, ReplyPieces* pieces)
{
    auto rows = db.prepare(
        "SELECT cli_id, cli_razao, cli_fantasia, cli_cnpj_cpf, cli_telefone, end_rua, end_numero, "
        "end_complemento, "
        "end_bairro, end_cidade, end_estado, end_cep, cli_pagamento, cli_parcela1, cli_parcela2, "
        "cli_parcela3, "
        "cli_parcela4, cli_parcela5, cli_parcela6, cli_parcela7, cli_parcela8, tab_id, cli_credito_centavos, "
        "cli_limite_centavos FROM cliente WHERE emp_codigo = ? AND ven_id = ? ORDER BY cli_id");
    rows.bind_all(vendedor.empresa, vendedor.id);

    // The keys of columns 1 to 12, in the order the client's mapping lists them.
    static constexpr std::string_view text_keys[] = {
        "COL_NOME",        "COL_FANTASIA", "COL_CNPJ_CPF", "COL_FONE1",  "END_RUA", "END_NUMERO",
        "END_COMPLEMENTO", "END_BAIRRO",   "END_CIDADE",   "END_ESTADO", "END_CEP", "CLI_PAGAMENTO"};
    static constexpr std::string_view parcela_keys[] = {"CLI_PARCELA1", "CLI_PARCELA2", "CLI_PARCELA3",
                                                        "CLI_PARCELA4", "CLI_PARCELA5", "CLI_PARCELA6",
                                                        "CLI_PARCELA7", "CLI_PARCELA8"};
    out += '{';
    PairWriter reply(out);
    std::size_t index = 0;
    while (rows.step()) {
        reply.numbered("CLIENTE", index++);
        out += '{';
        PairWriter client(out);
        // Ids and price tables go as JSON numbers, everything else as text: the client reads both.
        client.number("COL_ID_CONTROLE", rows.integer(0));
        for (int k = 0; k < 12; ++k)
            client.text_or_null(text_keys[k], rows, k + 1);
        for (int k = 0; k < 8; ++k)
            client.text(parcela_keys[k], std::to_string(rows.integer(13 + k)));
        if (rows.is_null(21)) {
            client.name("TAB_ID");
            out += "null";
        } else {
            client.number("TAB_ID", rows.integer(21));
        }
        client.text("CLI_VLR_CREDITO", money_text(rows.integer(22)));
        client.text("CLI_LIMITE_CREDITO", money_text(rows.integer(23)));
        out += '}';
        if (pieces) pieces->hand_over_if_full(out);
    }
    if (index > 0) out += ',';
}

void write_produto_list(Database& db, const std::string& empresa, std::string& out)
{
    out += '{';
    PairWriter reply(out);

    reply.name("TABELAS");
    out += '{';
    {
        auto tables =
            db.prepare("SELECT tab_id, tab_descricao FROM tabela_preco WHERE emp_codigo = ? ORDER BY tab_id");
        tables.bind_all(empresa);
        PairWriter list(out);
        std::size_t index = 0;
        while (tables.step()) {
            list.numbered("TABELAS", index++);
            out += '{';
            PairWriter table(out);
            table.number("TAB_ID", tables.integer(0));
            table.text("TAB_DESCRICAO", tables.text(1));
            out += '}';
        }
    }
    out += '}';

    reply.name("PRODUTOS");
    out += '{';
    {
        auto products = db.prepare(
            "SELECT pro_id, pro_descricao, pro_venda_centavos, pro_custo_centavos, pro_qtd_estoque, "
            "emb_unidade, "
            "mar_descricao, gru_descricao, sub_descricao, pro_imagem, pro_control_flex FROM produto "
            "WHERE emp_codigo = ? ORDER BY pro_id");
        products.bind_all(empresa);
        // Both queries run in product order, so each product's prices are the run of rows that follows.
        auto prices = db.prepare("SELECT pro_id, tab_id, tap_id, tap_venda_centavos FROM tabela_produto "
                                 "WHERE emp_codigo = ? ORDER BY pro_id, tab_id");
        prices.bind_all(empresa);
        bool price_row = prices.step();

        PairWriter list(out);
        std::size_t index = 0;
        while (products.step()) {
            const std::int64_t id = products.integer(0);
            const std::string id_text = std::to_string(id);
            list.numbered("PRODUTOS", index++);
            out += '{';
            PairWriter product(out);
            product.text("PRO_ID", id_text);
            product.text("PRO_DESCRICAO", products.text(1));
            product.text("PRO_VLR_VENDA", money_text(products.integer(2)));
            product.text("PRO_VLR_CUSTO", money_text(products.integer(3)));
            product.text("PRO_QTD_ESTOQUE", quantity_text(products.real(4)));
            product.text_or_null("EMB_UNIDADE", products, 5);
            product.text_or_null("MAR_DESCRICAO", products, 6);
            product.text_or_null("GRU_DESCRICAO", products, 7);
            product.text_or_null("SUB_DESCRICAO", products, 8);
            product.text_or_null("PRO_IMAGEM", products, 9);
            product.text("PRO_CONTROL_FLEX", products.text(10));

            product.name("TABELA_ITEM");
            out += '[';
            while (price_row && prices.integer(0) < id)
                price_row = prices.step();
            bool first = true;
            while (price_row && prices.integer(0) == id) {
                if (!first) out += ',';
                first = false;
                out += '{';
                PairWriter price(out);
                price.number("TAB_ID", prices.integer(1));
                price.text("PRO_ID", id_text);
                price.number("TAP_ID", prices.integer(2));
                price.text("TAP_VLR_VENDA", money_text(prices.integer(3)));
                out += '}';
                price_row = prices.step();
            }
            out += ']';
            out += '}';
        }
    }
    out += "},";
}

std::string key_pair_and_end(std::string_view chave)
{
    std::string end;
    PairWriter(end).text("CHAVE_VENDEDOR", chave);
    end += '}';
    return end;
}
