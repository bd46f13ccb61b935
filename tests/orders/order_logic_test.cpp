#include "closed_port.h"
#include "order_fixture.h"
#include "orders/purchase_mix.h"
#include "server/json_parse.h"
#include "server/json_write.h"
#include "server/request.h"
#include "store/record_reader.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace {

QByteArray bytes(const JsonValue& v)
{
    return QByteArray::fromStdString(to_json(v));
}

JsonValue json(const char* text)
{
    return *parse_json(text);
}

} // namespace

TEST_F(OrderTest, order_request_is_byte_exact_under_each_regional_setting)
{
    add_items();
    const struct {
        Regional regional;
        QByteArray venda0;
    } cases[] = {
        {Regional::brazil(),
         R"({"CLI_ID":"12","PEDIDO":"10000","VEN_PAGAMENTO":"BOLETO","VEN_DTA_ENTREGA":"30\/12\/1899",)"
         R"("VEN_TOT_MERCADORIA":"150,00","VEN_TOT_NOTA":"150,00","VEN_OBSERVACAO":"ENTREGAR CEDO\r\nPORT\u00C3O AZUL",)"
         R"("TAB_ID":"0","VEN_ID":"1","EMPRESA":"Teste","ITENS_VENDA":[)"
         R"({"VEN_ID":"10000","PRO_ID":"202","IVEN_ORDEM":"1","IVEN_QTD_PRODUTO":"2,00","IVEN_VLR_PRODUTO":"2,25",)"
         R"("IVEN_VLR_FLEX":"0,00","MARCA":"NULL","TAB_ID":"3"},)"
         R"({"VEN_ID":"10000","PRO_ID":"303","IVEN_ORDEM":"2","IVEN_QTD_PRODUTO":"1,00","IVEN_VLR_PRODUTO":"1234,50",)"
         R"("IVEN_VLR_FLEX":"0,00","MARCA":"NULL","TAB_ID":"0"}],)"
         R"("FINANCEIRO":[{"CRE_PAGAMENTO":"BOLETO","CRE_PARCELA":"0"},{"CRE_PAGAMENTO":"BOLETO","CRE_PARCELA":"30"},)"
         R"({"CRE_PAGAMENTO":"BOLETO","CRE_PARCELA":"60"}]})"},
        {Regional{u'.', u'-', u"yyyy-MM-dd"_s},
         R"({"CLI_ID":"12","PEDIDO":"10000","VEN_PAGAMENTO":"BOLETO","VEN_DTA_ENTREGA":"30-12-1899",)"
         R"("VEN_TOT_MERCADORIA":"150.00","VEN_TOT_NOTA":"150.00","VEN_OBSERVACAO":"ENTREGAR CEDO\r\nPORT\u00C3O AZUL",)"
         R"("TAB_ID":"0","VEN_ID":"1","EMPRESA":"Teste","ITENS_VENDA":[)"
         R"({"VEN_ID":"10000","PRO_ID":"202","IVEN_ORDEM":"1","IVEN_QTD_PRODUTO":"2.00","IVEN_VLR_PRODUTO":"2.25",)"
         R"("IVEN_VLR_FLEX":"0.00","MARCA":"NULL","TAB_ID":"3"},)"
         R"({"VEN_ID":"10000","PRO_ID":"303","IVEN_ORDEM":"2","IVEN_QTD_PRODUTO":"1.00","IVEN_VLR_PRODUTO":"1234.50",)"
         R"("IVEN_VLR_FLEX":"0.00","MARCA":"NULL","TAB_ID":"0"}],)"
         R"("FINANCEIRO":[{"CRE_PAGAMENTO":"BOLETO","CRE_PARCELA":"0"},{"CRE_PAGAMENTO":"BOLETO","CRE_PARCELA":"30"},)"
         R"({"CRE_PAGAMENTO":"BOLETO","CRE_PARCELA":"60"}]})"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(
            bytes(pedido_request({u"Teste"_s, u"1"_s, {}}, order, dados.tblItemVenda, c.regional)),
            R"({"REQUISICAO":{"TABLE":"NOVO_PEDIDO","EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste1"},"VENDA0":)" +
                c.venda0 + "}");
    }
}

TEST_F(OrderTest, empty_values_become_null_or_leave_their_pair_out)
{
    order.pagamento.clear();
    order.observacao.clear();
    order.entrega = QDate(2026, 3, 5);
    order.parcelas = {28, 56, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(
        bytes(pedido_request({}, order, dados.tblItemVenda, context.regional)),
        R"({"REQUISICAO":{"TABLE":"NOVO_PEDIDO"},"VENDA0":{"CLI_ID":"12","PEDIDO":"10000",)"
        R"("VEN_PAGAMENTO":"NULL","VEN_DTA_ENTREGA":"05\/03\/2026","VEN_TOT_MERCADORIA":"150,00",)"
        R"("VEN_TOT_NOTA":"150,00","VEN_OBSERVACAO":"NULL","TAB_ID":"0","ITENS_VENDA":[],)"
        R"("FINANCEIRO":[{"CRE_PAGAMENTO":"NULL","CRE_PARCELA":"28"},{"CRE_PAGAMENTO":"NULL","CRE_PARCELA":"56"}]}})");
    // Only ID empty: the company stays in both objects.
    const QByteArray only_empresa =
        bytes(pedido_request({u"Teste"_s, {}, {}}, order, dados.tblItemVenda, context.regional));
    EXPECT_TRUE(only_empresa.startsWith(
        R"({"REQUISICAO":{"TABLE":"NOVO_PEDIDO","EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste"},)"));
    EXPECT_TRUE(only_empresa.contains(R"("TAB_ID":"0","EMPRESA":"Teste","ITENS_VENDA")"));
}

TEST_F(OrderTest, instalments_count_the_first_term_from_zero_and_the_others_above_zero)
{
    const struct {
        std::array<double, 8> terms;
        QByteArray parcelas;
    } cases[] = {
        {{0, 0, 0, 0, 0, 0, 0, 0}, R"("0")"},
        {{0, 30, 0, 60, 0, 0, 0, 0}, R"("0","30","60")"},
        {{28, 56, 0, 0, 0, 0, 0, 0}, R"("28","56")"},
        {{-1, 0, 15, -5, 0, 0, 0, 90}, R"("15","90")"},
        {{7.4, 7.6, 0, 0, 0, 0, 0, 0}, R"("7","8")"},
        {{1, 2, 3, 4, 5, 6, 7, 8}, R"("1","2","3","4","5","6","7","8")"},
    };
    for (const auto& c : cases) {
        order.parcelas = c.terms;
        QByteArray got;
        const JsonValue f = montar_financeiro(order);
        for (std::size_t i = 0; i < f.size(); ++i) {
            EXPECT_EQ(f.at(i).find("CRE_PAGAMENTO")->text(), "BOLETO");
            got += (i ? "," : "") + QByteArray::fromStdString(to_json(*f.at(i).find("CRE_PARCELA")));
        }
        EXPECT_EQ(got, c.parcelas);
    }
}

TEST_F(OrderTest, history_file_is_named_by_order_and_day)
{
    EXPECT_EQ(nome_historico(u"10000"_s, QDate(2025, 12, 9)), u"historico_vendas\\venda_10000_091225.json"_s);
    EXPECT_EQ(nome_historico(u"7"_s, QDate(2031, 1, 31)), u"historico_vendas\\venda_7_310131.json"_s);
}

TEST_F(OrderTest, local_header_keeps_the_fee_apart_and_finds_the_table_whatever_the_case)
{
    Table& tab = dados.tblTabela;
    for (const auto& [id, name] : {std::pair{4, u"Varejo"_s}, std::pair{9, u"Atacado Sul"_s}}) {
        tab.append();
        tab.set_integer(u"tab_id", id);
        tab.set_text(u"tab_descricao", name);
        tab.post();
    }
    const struct {
        QString tabela;
        int tab_id;
    } cases[] = {{u"ATACADO SUL"_s, 9}, {u""_s, 0}, {u"ATACADO"_s, 0}};
    for (const auto& c : cases) {
        order.tabela = c.tabela;
        gravar_venda(dados, order, QDate(2025, 12, 9));
        Table& v = dados.tblVenda;
        EXPECT_EQ(v.as_integer(u"tab_id"), c.tab_id) << c.tabela.toStdString();
    }
    Table& v = dados.tblVenda;
    ASSERT_EQ(v.record_count(), 3);
    v.first();
    EXPECT_EQ(v.as_integer(u"ven_pedido"), 10000);
    EXPECT_EQ(v.as_integer(u"cli_id"), 12);
    EXPECT_EQ(v.as_text(u"ven_pagamento"), u"BOLETO"_s);
    EXPECT_EQ(v.as_integer(u"ven_parc2"), 30);
    EXPECT_EQ(v.as_integer(u"ven_parc4"), 60);
    EXPECT_EQ(v.as_date(u"ven_dta_cadastro"), QDate(2025, 12, 9));
    EXPECT_EQ(v.as_date(u"ven_dta_entrega"), QDate(1899, 12, 30));
    EXPECT_EQ(v.as_float(u"ven_tot_frete"), 20);
    EXPECT_EQ(v.as_float(u"ven_tot_mercadoria"), 150);
    EXPECT_EQ(v.as_float(u"ven_tot_nota"), 170);
    EXPECT_EQ(v.as_text(u"ven_status"), u"Pendente"_s);
    EXPECT_TRUE(v.is_null(u"empresa"));

    order.cli_id = u"12a"_s;
    EXPECT_THROW(gravar_venda(dados, order, QDate(2025, 12, 9)), ConversionError);
    EXPECT_EQ(v.record_count(), 3);
}

TEST_F(OrderTest, items_are_numbered_within_the_order_and_move_the_total_both_ways)
{
    Table& t = dados.tblItemVenda;
    Money total;
    total += incluir_item(t, {order.pedido, u"0"_s, u"101"_s, amount(3), amount(10.5), u"ARROZ"_s});
    filtrar_itens(t, order.pedido);
    total += incluir_item(t, {order.pedido, u"4"_s, u"202"_s, amount(2), amount(2.25), u"FEIJAO"_s});
    filtrar_itens(t, order.pedido);
    EXPECT_EQ(total, amount(36));
    EXPECT_EQ(column(t, "iven_id"), (QStringList{u"1"_s, u"2"_s}));
    EXPECT_EQ(column(t, "tab_id"), (QStringList{u"0"_s, u"4"_s}));
    EXPECT_EQ(column(t, "iven_total"), (QStringList{u"31,5"_s, u"4,5"_s}));

    // A code that is no number leaves no row and adds nothing.
    EXPECT_THROW(incluir_item(t, {order.pedido, u"0"_s, u"1x"_s, amount(1), amount(1), u"X"_s}),
                 ConversionError);
    filtrar_itens(t, order.pedido);
    EXPECT_EQ(t.record_count(), 2);

    t.first();
    EXPECT_EQ(*excluir_item(t), amount(31.5));
    EXPECT_EQ(column(t, "pro_id"), QStringList{u"202"_s});

    // Numbering follows the count, so an id may come back after a deletion.
    incluir_item(t, {order.pedido, u"0"_s, u"303"_s, amount(1), amount(1), u"CAFE"_s});
    filtrar_itens(t, order.pedido);
    EXPECT_EQ(column(t, "iven_id"), (QStringList{u"2"_s, u"2"_s}));

    filtrar_itens(t, u"123"_s);
    EXPECT_FALSE(excluir_item(t).has_value());
}

TEST_F(OrderTest, request_rounds_amounts_half_away_from_zero_on_their_decimals)
{
    // As binary doubles 2,675 is 2,67499... and 3 x 2,675 is 8,02499...: both went out a cent short.
    Table& t = dados.tblItemVenda;
    const Money qtd = *Money::parse(u"3", u',');
    const Money preco = *Money::parse(u"2,675", u',');
    order.tot_pedido = incluir_item(t, {order.pedido, u"0"_s, u"101"_s, qtd, preco, u"ARROZ"_s});
    filtrar_itens(t, order.pedido);
    const JsonValue request = pedido_request({u"Teste"_s, u"1"_s, {}}, order, t, Regional::brazil());
    const JsonValue& venda = *request.find("VENDA0");
    EXPECT_EQ(bytes(*venda.find("VEN_TOT_MERCADORIA")), R"("8,03")");
    const JsonValue& item = venda.find("ITENS_VENDA")->at(0);
    EXPECT_EQ(bytes(*item.find("IVEN_VLR_PRODUTO")), R"("2,68")");
    EXPECT_EQ(bytes(*item.find("IVEN_QTD_PRODUTO")), R"("3,00")");
    EXPECT_EQ(bytes(itens_estoque(t, Regional::brazil())), R"([{"PRO_ID":"101","IVEN_QTD_PRODUTO":"3,00"}])");

    gravar_venda(dados, order, QDate(2025, 12, 9));
    EXPECT_EQ(dados.tblVenda.as_money(u"ven_tot_nota"), *Money::parse(u"28,025", u','));
}

TEST_F(OrderTest, running_total_equals_the_sum_of_the_items_after_adds_and_deletes)
{
    Table& t = dados.tblItemVenda;
    const struct {
        const char16_t* qtd;
        const char16_t* preco;
    } items[] = {
        {u"3", u"0,1"},   {u"1", u"2,675"},  {u"3", u"0,3333"},
        {u"7", u"1,005"}, {u"0,5", u"0,01"}, {u"10", u"0,07"},
    };
    Money total;
    for (const auto& item : items) {
        total += incluir_item(t, {order.pedido, u"0"_s, u"1"_s, *Money::parse(item.qtd, u','),
                                  *Money::parse(item.preco, u','), u"X"_s});
        filtrar_itens(t, order.pedido);
    }
    const auto sum_of_items = [&] {
        Money sum;
        for (t.first(); !t.eof(); t.next())
            sum += t.as_money(u"iven_total");
        return sum;
    };
    EXPECT_EQ(total, sum_of_items());
    EXPECT_EQ(total.format(2, u','), u"11,71"_s);
    // Delete the second, then the last, then whatever is first, until none is left.
    for (int k = 0; t.record_count() > 0; ++k) {
        t.first();
        if (k == 0) t.next();
        if (k == 1)
            while (t.current_visible() < t.record_count() - 1)
                t.next();
        total -= *excluir_item(t);
        EXPECT_EQ(total, sum_of_items()) << k;
    }
    EXPECT_EQ(total, Money());
}

TEST_F(OrderTest, table_price_is_found_by_name_in_any_case)
{
    dados.tblTabela.append();
    dados.tblTabela.set_integer(u"tab_id", 7);
    dados.tblTabela.set_text(u"tab_descricao", u"Tabela Promoção"_s);
    dados.tblTabela.post();
    for (const auto& [pro, price] : {std::pair{5, "12,90"}, std::pair{6, "abc"}}) {
        dados.tblTabProd.append();
        dados.tblTabProd.set_integer(u"tab_id", 7);
        dados.tblTabProd.set_integer(u"pro_id", pro);
        dados.tblTabProd.set_text(u"tap_vlr_venda", QString::fromLatin1(price));
        dados.tblTabProd.post();
    }
    const std::optional<TablePrice> found = preco_tabela(dados, u"TABELA PROMOÇÃO"_s, u"5"_s);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->valor, *Money::parse(u"12,9", u','));
    EXPECT_EQ(found->tab_id, 7);
    EXPECT_FALSE(preco_tabela(dados, u"TABELA PROMOÇÃO"_s, u"8"_s));
    EXPECT_FALSE(preco_tabela(dados, u"TABELA PROMOÇÃO"_s, u""_s));
    EXPECT_FALSE(preco_tabela(dados, u"OUTRA"_s, u"5"_s));
    EXPECT_FALSE(preco_tabela(dados, u""_s, u"5"_s));
    EXPECT_THROW(preco_tabela(dados, u"TABELA PROMOÇÃO"_s, u"6"_s), ConversionError);
}

TEST_F(OrderTest, mix_entries_without_a_product_are_passed_over)
{
    mix_from_reply(dados.tblMix,
                   json(R"({"CHAVE_VENDEDOR":"47261","MIX_VENDA0":{"PRO_ID":"5","QTD_PERIODO":"2,5",)"
                        R"("VLR_ULT_VENDA":"10,00"},"MIX_VENDA1":{"QTD_PERIODO":"1"},)"
                        R"("MIX_VENDA2":{"PRO_ID":8,"VLR_ULT_VENDA":null}})"));
    mix_from_reply(dados.tblMix, json(R"({"CHAVE_VENDEDOR":"47261"})"));
    EXPECT_EQ(column(dados.tblMix, "pro_id"), (QStringList{u"5"_s, u"8"_s}));
    EXPECT_EQ(column(dados.tblMix, "qtd_periodo"), (QStringList{u"2,5"_s, u""_s}));
    EXPECT_EQ(column(dados.tblMix, "vlr_ult_venda"), (QStringList{u"10"_s, u""_s}));

    // A value that does not convert stops the load; the rows before it stay.
    EXPECT_THROW(
        mix_from_reply(dados.tblMix, json(R"({"MIX_VENDA0":{"PRO_ID":"9"},"MIX_VENDA1":{"PRO_ID":"x"},)"
                                          R"("CHAVE_VENDEDOR":"1"})")),
        ConversionError);
    EXPECT_EQ(column(dados.tblMix, "pro_id"), (QStringList{u"5"_s, u"8"_s, u"9"_s}));
}

TEST_F(OrderTest, mix_is_loaded_only_for_the_configured_key)
{
    reply(R"({"MIX_VENDA0":{"PRO_ID":"5"},"CHAVE_VENDEDOR":"47261"})");
    bool accepted = false;
    ASSERT_EQ(run([&] { accepted = carregar_mix(context, dados.tblMix, u"12"_s); }), u""_s);
    EXPECT_TRUE(accepted);
    EXPECT_EQ(
        transport.request(0),
        R"({"REQUISICAO":{"TABLE":"MIX_VENDA","EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste1","QTD_DIAS":"1",)"
        R"("CLI_ID":"12"}})");
    EXPECT_FALSE(dir.exists(u"mix.json"_s));

    dir.write(u"clientes.json"_s, "{}\r\n");
    reply(R"({"MIX_VENDA0":{"PRO_ID":"6"},"CHAVE_VENDEDOR":"47262"})");
    ASSERT_EQ(run([&] { accepted = carregar_mix(context, dados.tblMix, u"12"_s); }), u""_s);
    EXPECT_FALSE(accepted);
    EXPECT_EQ(messages.said, QStringList{u"error: CHAVE DO VENDEDOR NÃO INFORMADA OU INCORRETA!"_s});
    EXPECT_FALSE(dir.exists(u"clientes.json"_s));
    EXPECT_EQ(column(dados.tblMix, "pro_id"), QStringList{u"5"_s});
}
