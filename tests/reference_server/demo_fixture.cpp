#include "demo_fixture.h"

void DemoFixture::client(int cli_id, const std::string& vendedor, const std::string& razao)
{
    db_.prepare("INSERT INTO cliente (emp_codigo, cli_id, ven_id, cli_razao, cli_fantasia, cli_cnpj_cpf, "
                "end_rua, end_numero, end_bairro, end_cidade, end_estado, end_cep) "
                "VALUES ('Teste', ?, ?, ?, ?, '12.345.678/0001-95', 'Rua das Acácias', '12', 'Centro', "
                "'São Paulo', 'SP', '01234-567')")
        .bind_all(cli_id, vendedor, razao, razao)
        .run();
}

void DemoFixture::product(int pro_id, const std::string& description, double stock, std::int64_t price_cents)
{
    db_.prepare(
           "INSERT INTO produto (emp_codigo, pro_id, pro_descricao, pro_venda_centavos, pro_custo_centavos, "
           "pro_qtd_estoque) VALUES ('Teste', ?, ?, ?, ?, ?)")
        .bind_all(pro_id, description, price_cents, price_cents / 2, stock)
        .run();
}

void DemoFixture::receivable(int cre_id, int cli_id, const std::string& titulo, const std::string& parcela,
                             const std::string& status, const std::string& pagamento, std::int64_t cents,
                             std::int64_t paid_cents, QDate issued, QDate due)
{
    db_.prepare("INSERT INTO receber VALUES ('Teste', ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
        .bind_all(cre_id, cli_id, titulo, parcela, status, pagamento, cents, paid_cents, iso(issued),
                  iso(due), std::to_string(20000000000LL + cre_id))
        .run();
}

void DemoFixture::sale(int pedido, int cli_id, QDate day, std::int64_t total_cents)
{
    db_.prepare("INSERT INTO nota VALUES ('Teste', ?, ?, ?, '1', 'ENTREGUE', ?, ?, 0, ?)")
        .bind_all(pedido, pedido + 100000, cli_id, iso(day), total_cents, total_cents)
        .run();
}

void DemoFixture::sale_item(int infe_id, int pedido, int ordem, int pro_id, double quantity,
                            std::int64_t unit_cents)
{
    db_.prepare("INSERT INTO item_nota VALUES ('Teste', ?, ?, ?, ?, ?, ?)")
        .bind_all(infe_id, pedido, ordem, pro_id, quantity, unit_cents)
        .run();
}
