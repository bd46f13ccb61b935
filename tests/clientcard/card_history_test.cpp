#include "catalogue_fixture.h"
#include "clientcard/card_history.h"

using namespace Qt::StringLiterals;

namespace {

Identity identity;

const QByteArray kTitulos =
    R"({"CHAVE_VENDEDOR":"47261","TITULOS":{"FINANCEIRO0":{"CRE_ID":"31","CRE_TITULO":"NF 1001","CRE_PARCELA":"1/2",)"
    R"("CRE_STATUS":"Em Aberto","CRE_PAGAMENTO":"BOLETO","CRE_DTA_VENCIMENTO":"10/01/2027","CRE_DTA_EMISSAO":"10/12/2026",)"
    R"("CRE_VLR_RECEBER":"150,75","CLI_ID":"999"},"FINANCEIRO1":{"CRE_ID":"NULL"},"FINANCEIRO2":{"CRE_ID":32}}})";

} // namespace

TEST_F(CatalogueTest, receivables_are_asked_with_the_exact_filter_and_loaded_for_the_card_client)
{
    dados.tblReceber.append();
    dados.tblReceber.set_text(u"cli_id", u"5");
    dados.tblReceber.post();
    reply(kTitulos);
    ASSERT_EQ(run([&] { ASSERT_TRUE(carregar_financeiro(context, dados, u"42"_s, identity)); }), u""_s);
    EXPECT_EQ(
        transport.request(0),
        R"({"REQUISICAO":{"TABLE":"HIST_FINANCEIRO","EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste1","CLI_ID":"42",)"
        R"x("FILTRO":"AND cre_pagamento = 'BOLETO' AND ((cre_status = 'Em Aberto') or (cre_status = 'Comprado'))"}})x");
    EXPECT_TRUE(dir.read(u"financeiro.json"_s).startsWith(R"({"CHAVE_VENDEDOR":"47261","TITULOS":)"));
    Table& t = dados.tblReceber;
    EXPECT_EQ(column(t, "cli_id"), (QStringList{u"42"_s, u"42"_s}));
    EXPECT_EQ(column(t, "cre_id"), (QStringList{u"31"_s, u"32"_s}));
    t.first();
    EXPECT_EQ(t.as_date(u"cre_dta_vencimento"), QDate(2027, 1, 10));
    EXPECT_EQ(t.as_money(u"cre_valor"), Money::from_double(150.75));
    t.next();
    EXPECT_TRUE(t.is_null(u"cre_dta_vencimento"));
    EXPECT_EQ(t.as_money(u"cre_valor"), Money::from_double(0.0));
}

TEST_F(CatalogueTest, malformed_receivables_stop_without_a_row_for_the_bad_entry)
{
    struct Case {
        QByteArray reply;
        QString message;
        int rows;
    } cases[] = {
        {R"({"CHAVE_VENDEDOR":"47261"})", u"\"TITULOS\""_s, 0},
        {R"({"CHAVE_VENDEDOR":"47261","TITULOS":{"FINANCEIRO0":{"CRE_ID":1},"FINANCEIRO2":{"CRE_ID":2}}})",
         u"FINANCEIRO1"_s, 1},
        {R"({"CHAVE_VENDEDOR":"47261","TITULOS":{"FINANCEIRO0":{"CRE_TITULO":"x"}}})", u"\"CRE_ID\""_s, 0},
        {R"({"CHAVE_VENDEDOR":"47261","TITULOS":{"FINANCEIRO0":{"CRE_ID":1},"FINANCEIRO1":{"CRE_ID":2,"CRE_DTA_VENCIMENTO":"2027-01-10"}}})",
         u"2027-01-10"_s, 1},
    };
    for (const Case& c : cases) {
        reply(c.reply);
        const QString message = run([&] { carregar_financeiro(context, dados, u"42"_s, identity); });
        EXPECT_TRUE(message.contains(c.message)) << message.toStdString();
        EXPECT_EQ(dados.tblReceber.record_count(), c.rows) << c.reply.toStdString();
    }
}

TEST_F(CatalogueTest, sales_history_loads_sales_and_items_and_clears_the_product_search)
{
    for (auto [id, name] : {std::pair{"7", "ARROZ"}, std::pair{"8", "FEIJAO"}}) {
        dados.tblProduto.append();
        dados.tblProduto.set_text(u"pro_id", QString::fromLatin1(id));
        dados.tblProduto.set_text(u"pro_descricao", QString::fromLatin1(name));
        dados.tblProduto.post();
    }
    dados.tblProduto.set_filter(u"pro_descricao LIKE 'FEI%'"_s);
    dados.tblProduto.set_filtered(true);
    reply(
        R"({"VENDA0":{"NFE_PEDIDO":"100","NFE_NOTA":"5001","NFE_DTA_CADASTRO":"01/12/2026","NFE_TOT_NOTA":"150",)"
        R"("ITEM_VENDA":[{"INFE_ID":1,"NFE_PEDIDO":"100","PRO_ID":"7","INFE_QTD_PRODUTO":"2","INFE_VLR_PRODUTO":"75"},)"
        R"({"INFE_ID":"NULL","PRO_ID":"8"},{"INFE_ID":3,"PRO_ID":"9"}]},)"
        R"("VENDA1":{"NFE_PEDIDO":"NULL","ITEM_VENDA":[{"INFE_ID":4,"PRO_ID":"8"}]},"CHAVE_VENDEDOR":"47261"})");
    ASSERT_EQ(run([&] { ASSERT_TRUE(carregar_vendas(context, dados, u"42"_s, identity)); }), u""_s);
    EXPECT_EQ(
        transport.request(0),
        R"({"REQUISICAO":{"TABLE":"HIST_VENDA","EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste1","CLI_ID":"42","QTD_DIAS":"180"}})");
    EXPECT_TRUE(dir.exists(u"histvendas.json"_s));
    Table& s = dados.tblHistVenda;
    ASSERT_EQ(s.record_count(), 1);
    s.first();
    EXPECT_EQ(s.as_integer(u"cli_id"), 42);
    EXPECT_EQ(s.as_integer(u"ven_nota_base"), 5001);
    EXPECT_EQ(s.as_money(u"ven_tot_mercadoria"), Money::from_double(150.0));
    EXPECT_EQ(s.as_money(u"ven_tot_nota"), Money::from_double(150.0));
    EXPECT_EQ(column(dados.tblItemHVenda, "infe_id"), (QStringList{u"1"_s, u"3"_s}));
    EXPECT_EQ(column(dados.tblItemHVenda, "pro_descricao"), (QStringList{u"ARROZ"_s, u""_s}));
    EXPECT_FALSE(dados.tblProduto.filtered());
    EXPECT_EQ(dados.tblProduto.record_count(), 2);

    // A load that adds no sale leaves the product search alone; a second card replaces the rows.
    dados.tblProduto.set_filter(u"pro_descricao LIKE 'FEI%'"_s);
    dados.tblProduto.set_filtered(true);
    reply(R"({"CHAVE_VENDEDOR":"47261"})");
    ASSERT_EQ(run([&] { carregar_vendas(context, dados, u"43"_s, identity); }), u""_s);
    EXPECT_TRUE(dados.tblProduto.filtered());
    EXPECT_EQ(dados.tblHistVenda.record_count(), 0);
}

TEST_F(CatalogueTest, a_refused_key_on_the_card_writes_no_copy_and_loads_nothing)
{
    configure(u"Teste"_s, u"1"_s, u"outra"_s);
    reply(kTitulos);
    reply(R"({"CHAVE_VENDEDOR":"47261"})");
    EXPECT_EQ(run([&] { EXPECT_FALSE(carregar_financeiro(context, dados, u"42"_s, identity)); }), u""_s);
    EXPECT_EQ(run([&] { EXPECT_FALSE(carregar_vendas(context, dados, u"42"_s, identity)); }), u""_s);
    EXPECT_EQ(messages.said.size(), 2);
    EXPECT_FALSE(dir.exists(u"financeiro.json"_s));
    EXPECT_FALSE(dir.exists(u"histvendas.json"_s));
    EXPECT_EQ(dados.tblReceber.record_count(), 0);
}
