#include "demo_fixture.h"
#include "server_calls.h"
#include "server_process.h"

#include <QDateTime>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const std::vector<std::string> mix_keys{"PRO_ID", "QTD_PERIODO", "VLR_ULT_VENDA"};

// One demo server for the read-only kinds, with rows of the fixture's own clients and products.
class OrderKinds : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        server_ = std::make_unique<ServerProcess>();
        DemoFixture f(server_->database().toStdString());
        const QDate today = DemoFixture::today();
        f.client(9001, "1", "Mercearia Fixture Ltda");
        f.client(9002, "2", "Cliente de Outro Vendedor");
        f.client(9003, "1", "Padaria Em Dia");

        f.product(9101, "PRODUTO SEM ESTOQUE", 0);
        f.product(9102, "PRODUTO COM CINCO", 5);
        f.product(9103, "QUEIJO A GRANEL KG", 2.5);

        f.sale(900001, 9001, today.addDays(-5), 4500);
        f.sale_item(900001, 900001, 1, 3, 4, 1000);
        f.sale_item(900002, 900001, 2, 7, 1, 500);
        f.sale(900002, 9001, today.addDays(-30), 5900);
        f.sale_item(900003, 900002, 1, 3, 6, 950);
        f.sale_item(900004, 900002, 2, 8, 2, 100);
        f.sale(900003, 9001, today.addDays(-400), 50000);
        f.sale_item(900005, 900003, 1, 9, 50, 1000);

        f.receivable(90001, 9001, "7001", "1/2", "Em Aberto", "BOLETO", 10000, 0, today.addDays(-33),
                     today.addDays(-3));
        f.receivable(90002, 9001, "7001", "2/2", "Em Aberto", "BOLETO", 10000, 0, today.addDays(-33),
                     today.addDays(27));
        f.receivable(90003, 9001, "7002", "1/1", "Pago", "BOLETO", 8000, 8000, today.addDays(-70),
                     today.addDays(-40));
        f.receivable(90004, 9001, "7003", "1/1", "Comprado", "CHEQUE", 25000, 5000, today.addDays(-70),
                     today.addDays(-40));
        f.receivable(90005, 9001, "7004", "1/1", "Em Aberto", "BOLETO", 3000, 0, today.addDays(-30), today);
        f.receivable(90006, 9003, "7005", "1/1", "Em Aberto", "BOLETO", 3000, 0, today, today.addDays(30));
    }
    static void TearDownTestSuite() { server_.reset(); }

    static std::unique_ptr<ServerProcess> server_;
};
std::unique_ptr<ServerProcess> OrderKinds::server_;

TEST_F(OrderKinds, mix_lists_the_products_bought_in_the_last_half_year_most_bought_first)
{
    struct Case {
        const char* qtd_dias;
        std::vector<Pairs> expected;
    } const cases[]{
        {"1",
         {{{"PRO_ID", "3"}, {"QTD_PERIODO", "10"}, {"VLR_ULT_VENDA", "10,00"}},
          {{"PRO_ID", "8"}, {"QTD_PERIODO", "2"}, {"VLR_ULT_VENDA", "1,00"}},
          {{"PRO_ID", "7"}, {"QTD_PERIODO", "1"}, {"VLR_ULT_VENDA", "5,00"}}}},
        // Bought on at least two days.
        {"2", {{{"PRO_ID", "3"}, {"QTD_PERIODO", "10"}, {"VLR_ULT_VENDA", "10,00"}}}},
        {"3", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.qtd_dias);
        const auto reply = reply_object(
            get_dados(*server_, request_of("MIX_VENDA", {{"QTD_DIAS", c.qtd_dias}, {"CLI_ID", "9001"}})));
        ASSERT_TRUE(reply);
        JsonValue expected = JsonValue::object();
        for (std::size_t i = 0; i < c.expected.size(); ++i)
            expected.insert("MIX_VENDA" + std::to_string(i), object_of(c.expected[i]));
        expected.insert("CHAVE_VENDEDOR", JsonValue::string("47261"));
        EXPECT_EQ(*reply, expected) << to_json(*reply);
    }
}

TEST_F(OrderKinds, client_requests_are_refused_for_clients_the_salesperson_does_not_serve)
{
    struct Case {
        const char* kind;
        Pairs pairs;
        int status;
        const char* error;
    } const cases[]{
        {"MIX_VENDA", {{"QTD_DIAS", "1"}, {"CLI_ID", "9002"}}, 404, "Cliente 9002"},
        {"MIX_VENDA", {{"QTD_DIAS", "1"}, {"CLI_ID", "424242"}}, 404, "Cliente 424242"},
        {"MIX_VENDA", {{"QTD_DIAS", "1"}}, 400, "CLI_ID"},
        {"MIX_VENDA", {{"QTD_DIAS", "1"}, {"CLI_ID", "9001 OR 1=1"}}, 400, "CLI_ID"},
        {"MIX_VENDA", {{"QTD_DIAS", "0"}, {"CLI_ID", "9001"}}, 400, "QTD_DIAS"},
        {"MIX_VENDA", {{"QTD_DIAS", "um"}, {"CLI_ID", "9001"}}, 400, "QTD_DIAS"},
        {"VALIDAR_FINANCEIRO", {{"CLI_ID", "9002"}}, 404, "Cliente 9002"},
        {"HIST_FINANCEIRO", {{"CLI_ID", "9002"}, {"FILTRO", ""}}, 404, "Cliente 9002"},
        {"HIST_VENDA", {{"CLI_ID", "9002"}, {"QTD_DIAS", "180"}}, 404, "Cliente 9002"},
        {"HIST_VENDA", {{"CLI_ID", "9001"}, {"QTD_DIAS", "-1"}}, 400, "QTD_DIAS"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.kind) + " " + to_json(object_of(c.pairs)));
        const HttpResult result = get_dados(*server_, request_of(c.kind, c.pairs));
        EXPECT_EQ(result.status, c.status);
        EXPECT_NE(error_text(result).find(c.error), std::string::npos) << result.body.toStdString();
    }
}

JsonValue stock_request(const std::vector<std::pair<std::string, std::string>>& items)
{
    JsonValue request = request_of("VALIDAR_ESTOQUE");
    JsonValue list = JsonValue::array();
    for (const auto& [pro_id, quantity] : items)
        list.push_back(object_of({{"PRO_ID", pro_id}, {"IVEN_QTD_PRODUTO", quantity}}));
    request.insert("ITENS_VENDA", std::move(list));
    return request;
}

TEST_F(OrderKinds, stock_check_names_the_products_short_of_stock_with_what_is_available)
{
    struct Case {
        const char* what;
        Pairs items;
        const char* status;
        Pairs short_items; // product, available
    } const cases[]{
        {"no items", {}, "OK", {}},
        {"exactly the stock", {{"9102", "5,00"}}, "OK", {}},
        {"a little over", {{"9102", "5.01"}}, "SEM ESTOQUE", {{"9102", "5"}}},
        {"two lines of one product add up",
         {{"9102", "3,00"}, {"9102", "2.50"}},
         "SEM ESTOQUE",
         {{"9102", "5"}}},
        {"fractions", {{"9103", "2,50"}}, "OK", {}},
        {"fractions over", {{"9103", "2.6"}}, "SEM ESTOQUE", {{"9103", "2,5"}}},
        {"none in stock and unknown",
         {{"9101", "1,00"}, {"9103", "1.00"}, {"999999", "1,00"}},
         "SEM ESTOQUE",
         {{"9101", "0"}, {"999999", "0"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto reply = reply_object(get_dados(*server_, stock_request(c.items)));
        ASSERT_TRUE(reply);
        JsonValue expected = JsonValue::object();
        expected.insert("VALIDAR_ESTOQUE", JsonValue::string(c.status));
        JsonValue list = JsonValue::array();
        for (const auto& [pro_id, available] : c.short_items)
            list.push_back(object_of({{"PRO_ID", pro_id}, {"QTD_DISPONIVEL", available}}));
        expected.insert("ITENS", std::move(list));
        expected.insert("CHAVE_VENDEDOR", JsonValue::string("47261"));
        EXPECT_EQ(*reply, expected) << to_json(*reply);
    }
}

TEST_F(OrderKinds, stock_check_adds_up_any_number_of_lines_without_wrapping)
{
    struct Case {
        const char* what;
        Pairs items;
        const char* status;
        Pairs short_items;
    };
    // Enough of the largest quantity to pass the range of a 64-bit count of thousandths.
    Pairs huge(10000, {"9102", "999999999999,999"});
    // A large order: many products, most of them on two lines, that the stock covers or not.
    Pairs large;
    for (int i = 0; i < 36000; ++i) {
        large.push_back({std::to_string(100000 + i), "0"});
        large.push_back({std::to_string(100000 + i), "0"});
    }
    large.insert(large.end(), 2500, {"9103", "0,001"});
    large.insert(large.end(), 5001, {"9102", "0.001"});
    large.insert(large.end(), 499, {"9101", "0"});
    const Case cases[]{
        {"the largest quantity, over and over", huge, "SEM ESTOQUE", {{"9102", "5"}}},
        {"80,000 lines", large, "SEM ESTOQUE", {{"9102", "5"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto reply = reply_object(get_dados(*server_, stock_request(c.items)));
        ASSERT_TRUE(reply);
        EXPECT_EQ(text_of(*reply, "VALIDAR_ESTOQUE"), c.status);
        JsonValue list = JsonValue::array();
        for (const auto& [pro_id, available] : c.short_items)
            list.push_back(object_of({{"PRO_ID", pro_id}, {"QTD_DISPONIVEL", available}}));
        ASSERT_NE(reply->find("ITENS"), nullptr);
        EXPECT_EQ(*reply->find("ITENS"), list) << to_json(*reply->find("ITENS"));
    }
}

TEST_F(OrderKinds, stock_check_refuses_quantities_it_cannot_read)
{
    for (const char* quantity : {"1.234,50", "abc", "", "-1,00", "2,", "1e3"}) {
        SCOPED_TRACE(quantity);
        const HttpResult result = get_dados(*server_, stock_request({{"9102", quantity}}));
        EXPECT_EQ(result.status, 400);
        EXPECT_NE(error_text(result).find("IVEN_QTD_PRODUTO"), std::string::npos)
            << result.body.toStdString();
    }
    const HttpResult no_list = get_dados(*server_, request_of("VALIDAR_ESTOQUE"));
    EXPECT_EQ(no_list.status, 400);
    EXPECT_NE(error_text(no_list).find("ITENS_VENDA"), std::string::npos);
}

TEST_F(OrderKinds, receivables_check_lists_the_clients_overdue_titles_oldest_first)
{
    const auto blocked =
        reply_object(get_dados(*server_, request_of("VALIDAR_FINANCEIRO", {{"CLI_ID", "9001"}})));
    ASSERT_TRUE(blocked);
    const QDate today = DemoFixture::today();
    const auto br = [](QDate day) { return day.toString(u"dd/MM/yyyy"_s).toStdString(); };
    JsonValue expected = JsonValue::object();
    expected.insert("VALIDAR_FINANCEIRO", JsonValue::string("NAO_LIBERADO"));
    // Paid, not yet due and due today are not overdue; what is left of a part payment is.
    expected.insert("TITULOS", array_of({object_of({{"CRE_TITULO", "7003"},
                                                    {"CRE_PARCELA", "1/1"},
                                                    {"CRE_DTA_VENCIMENTO", br(today.addDays(-40))},
                                                    {"CRE_TOT_DIFERENCA", "200,00"}}),
                                         object_of({{"CRE_TITULO", "7001"},
                                                    {"CRE_PARCELA", "1/2"},
                                                    {"CRE_DTA_VENCIMENTO", br(today.addDays(-3))},
                                                    {"CRE_TOT_DIFERENCA", "100,00"}})}));
    expected.insert("CHAVE_VENDEDOR", JsonValue::string("47261"));
    EXPECT_EQ(*blocked, expected) << to_json(*blocked);

    const auto clear =
        reply_object(get_dados(*server_, request_of("VALIDAR_FINANCEIRO", {{"CLI_ID", "9003"}})));
    ASSERT_TRUE(clear);
    EXPECT_EQ(to_json(*clear), R"({"VALIDAR_FINANCEIRO":"LIBERADO","TITULOS":[],"CHAVE_VENDEDOR":"47261"})");
}

TEST(SendingTime, orders_are_refused_outside_the_hours_and_on_blocked_days_set_at_start)
{
    const QTime now = QTime::currentTime();
    const int weekday = DemoFixture::today().dayOfWeek() % 7;
    // A one-minute window twelve hours away: closed now, whatever the time of the test.
    const QString far = now.addSecs(12 * 3600).toString(u"HH:mm"_s);
    struct Case {
        const char* what;
        QStringList arguments;
        const char* verdict;
        std::string horario, dia_bloq;
    } const cases[]{
        {"demo: any hour, any day", {}, "LIBERADO", "23:59", "NULL"},
        {"closed hours", {u"--horario"_s, far + u'-' + far}, "NAO_LIBERADO", far.toStdString(), "NULL"},
        {"today blocked",
         {u"--dias-bloqueados"_s, QString::number(weekday) + u",0"_s},
         "NAO_LIBERADO",
         "23:59",
         std::to_string(weekday)},
        {"other days blocked",
         {u"--dias-bloqueados"_s, QString::number((weekday + 1) % 7)},
         "LIBERADO",
         "23:59",
         "NULL"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ServerProcess server(c.arguments);
        const auto reply = reply_object(get_dados(server, request_of("VALIDAR_HORA_ENVIO")));
        ASSERT_TRUE(reply);
        EXPECT_EQ(keys_of(*reply),
                  (std::vector<std::string>{"VALIDAR_HORARIO", "HORARIO", "DIA_BLOQ", "CHAVE_VENDEDOR"}));
        EXPECT_EQ(text_of(*reply, "VALIDAR_HORARIO"), c.verdict);
        EXPECT_EQ(text_of(*reply, "HORARIO"), c.horario);
        EXPECT_EQ(text_of(*reply, "DIA_BLOQ"), c.dia_bloq);
    }
}

// A whole order as the client sends it, with the parts the tests vary.
struct Order {
    std::string pedido = "20001";
    std::string cli_id = "9001";
    std::string ven_id = "1";
    char decimal = ',';
    std::string entrega = "15/01/2027";
    std::string total = "150,00";
    std::string observacao = "ENTREGAR PELA MANHÃ\r\nPORTÃO AZUL";
    std::vector<Pairs> items{{{"PRO_ID", "9102"},
                              {"IVEN_ORDEM", "1"},
                              {"IVEN_QTD_PRODUTO", "2,50"},
                              {"IVEN_VLR_PRODUTO", "40,00"}},
                             {{"PRO_ID", "9103"},
                              {"IVEN_ORDEM", "2"},
                              {"IVEN_QTD_PRODUTO", "1,00"},
                              {"IVEN_VLR_PRODUTO", "50,00"}}};
    std::vector<std::string> parcelas{"28", "56"};
    bool with_venda = true;

    std::string number(std::string text) const
    {
        for (char& c : text)
            if (c == ',') c = decimal;
        return text;
    }

    JsonValue request() const
    {
        JsonValue request = request_of("NOVO_PEDIDO");
        if (!with_venda) return request;
        JsonValue venda = object_of({{"CLI_ID", cli_id},
                                     {"PEDIDO", pedido},
                                     {"VEN_PAGAMENTO", "BOLETO"},
                                     {"VEN_DTA_ENTREGA", entrega},
                                     {"VEN_TOT_MERCADORIA", number(total)},
                                     {"VEN_TOT_NOTA", number(total)},
                                     {"VEN_OBSERVACAO", observacao},
                                     {"TAB_ID", "0"},
                                     {"VEN_ID", ven_id},
                                     {"EMPRESA", "Teste"}});
        JsonValue list = JsonValue::array();
        for (const Pairs& item : items) {
            Pairs pairs{{"VEN_ID", pedido}};
            for (const auto& [key, value] : item)
                pairs.emplace_back(
                    key, key.starts_with("IVEN_QTD") || key.starts_with("IVEN_VLR") ? number(value) : value);
            pairs.insert(pairs.end(),
                         {{"IVEN_VLR_FLEX", number("0,00")}, {"MARCA", "NULL"}, {"TAB_ID", "1"}});
            list.push_back(object_of(pairs));
        }
        venda.insert("ITENS_VENDA", std::move(list));
        JsonValue financeiro = JsonValue::array();
        for (const std::string& days : parcelas)
            financeiro.push_back(object_of({{"CRE_PAGAMENTO", "BOLETO"}, {"CRE_PARCELA", days}}));
        venda.insert("FINANCEIRO", std::move(financeiro));
        request.insert("VENDA0", std::move(venda));
        return request;
    }
};

// What the database holds of one order, as text lines, so that a whole order compares at once.
std::vector<std::string> stored_order(Database& db, const std::string& vendedor, const std::string& pedido)
{
    std::vector<std::string> lines;
    const auto column = [](Statement& row, int k) {
        return row.is_null(k) ? std::string("NULL") : std::string(row.text(k));
    };
    auto header = db.prepare("SELECT cli_id, ven_pagamento, ven_dta_entrega, ven_mercadoria_centavos, "
                             "ven_total_centavos, ven_observacao, tab_id FROM pedido "
                             "WHERE emp_codigo = 'Teste' AND ven_id = ? AND ven_pedido = ?");
    header.bind_all(vendedor, pedido);
    while (header.step()) {
        std::string line = "pedido";
        for (int k = 0; k < 7; ++k)
            line += '|' + column(header, k);
        lines.push_back(line);
    }
    auto items =
        db.prepare("SELECT iven_ordem, pro_id, iven_qtd_produto, iven_valor_centavos, "
                   "iven_flex_centavos, marca, tab_id FROM item_pedido "
                   "WHERE emp_codigo = 'Teste' AND ven_id = ? AND ven_pedido = ? ORDER BY iven_ordem");
    items.bind_all(vendedor, pedido);
    while (items.step()) {
        std::string line = "item";
        for (int k = 0; k < 7; ++k)
            line += '|' + column(items, k);
        lines.push_back(line);
    }
    auto parcelas =
        db.prepare("SELECT numero, cre_pagamento, cre_parcela FROM parcela_pedido "
                   "WHERE emp_codigo = 'Teste' AND ven_id = ? AND ven_pedido = ? ORDER BY numero");
    parcelas.bind_all(vendedor, pedido);
    while (parcelas.step())
        lines.push_back("parcela|" + column(parcelas, 0) + '|' + column(parcelas, 1) + '|' +
                        column(parcelas, 2));
    return lines;
}

TEST_F(OrderKinds, posted_orders_are_stored_with_items_and_instalments_under_either_decimal_separator)
{
    DemoFixture f(server_->database().toStdString());
    struct Case {
        const char* pedido;
        char decimal;
        const char* entrega;
        const char* stored_entrega;
    } const cases[]{
        {"20001", ',', "15/01/2027", "2027-01-15"},
        {"20002", '.', "15-01-2027", "2027-01-15"},
        // An empty delivery date reaches the server as day zero of the client's calendar.
        {"20003", ',', "30/12/1899", "NULL"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pedido);
        Order order;
        order.pedido = c.pedido;
        order.decimal = c.decimal;
        order.entrega = c.entrega;
        const HttpResult result = post_dados(*server_, order.request());
        EXPECT_EQ(result.status, 200) << result.body.toStdString();
        EXPECT_EQ(result.body, "{\"result\":[]}");
        EXPECT_EQ(stored_order(f.db(), "1", c.pedido),
                  (std::vector<std::string>{
                      "pedido|9001|BOLETO|" + std::string(c.stored_entrega) +
                          "|15000|15000|ENTREGAR PELA MANHÃ\r\nPORTÃO AZUL|NULL",
                      "item|1|9102|2.5|4000|0|NULL|1",
                      "item|2|9103|1.0|5000|0|NULL|1",
                      "parcela|1|BOLETO|28",
                      "parcela|2|BOLETO|56",
                  }));
        // Received on the server's day (in UTC, so a day apart at most), not the machine's.
        auto received = f.db().prepare("SELECT recebido_em FROM pedido WHERE ven_pedido = ?");
        received.bind_all(c.pedido);
        ASSERT_TRUE(received.step());
        const QDateTime at =
            QDateTime::fromString(QString::fromStdString(std::string(received.text(0))), Qt::ISODate);
        ASSERT_TRUE(at.isValid()) << received.text(0);
        EXPECT_LE(std::abs(at.date().daysTo(DemoFixture::today())), 1) << received.text(0);
    }
}

TEST_F(OrderKinds, an_order_posted_again_is_stored_once_and_another_order_under_its_number_is_refused)
{
    DemoFixture f(server_->database().toStdString());
    Order order;
    order.pedido = "20010";
    ASSERT_EQ(post_dados(*server_, order.request()).status, 200);
    const auto stored = stored_order(f.db(), "1", "20010");
    ASSERT_EQ(stored.size(), 5u);

    EXPECT_EQ(post_dados(*server_, order.request()).status, 200) << "a repeated post is accepted";
    EXPECT_EQ(stored_order(f.db(), "1", "20010"), stored);

    Order other = order;
    other.total = "999,00";
    const HttpResult refused = post_dados(*server_, other.request());
    EXPECT_EQ(refused.status, 409);
    EXPECT_NE(error_text(refused).find("20010"), std::string::npos);
    EXPECT_EQ(stored_order(f.db(), "1", "20010"), stored);

    // The number is the salesperson's own: another salesperson may use it.
    order.ven_id = "2";
    order.cli_id = "9002";
    JsonValue second = order.request();
    *second.find("REQUISICAO")->find("CHAVE_VENDEDOR") = JsonValue::string("Teste2");
    ASSERT_EQ(post_dados(*server_, second).status, 200);
    EXPECT_EQ(stored_order(f.db(), "2", "20010").size(), 5u);
    EXPECT_EQ(stored_order(f.db(), "1", "20010"), stored);
}

TEST_F(OrderKinds, an_order_of_80000_lines_is_stored_whole_and_a_repeated_position_at_its_end_is_refused)
{
    DemoFixture f(server_->database().toStdString());
    Order order;
    order.pedido = "20030";
    order.items.clear();
    constexpr int lines = 80000;
    for (int i = 1; i <= lines; ++i)
        order.items.push_back({{"PRO_ID", i % 2 ? "9102" : "9103"},
                               {"IVEN_ORDEM", std::to_string(i)},
                               {"IVEN_QTD_PRODUTO", "1,00"},
                               {"IVEN_VLR_PRODUTO", "1,00"}});

    Order repeated = order;
    repeated.items.back()[1].second = "1";
    const HttpResult refused = post_dados(*server_, repeated.request());
    EXPECT_EQ(refused.status, 400);
    EXPECT_NE(error_text(refused).find("IVEN_ORDEM"), std::string::npos) << refused.body.toStdString();
    EXPECT_TRUE(stored_order(f.db(), "1", "20030").empty());

    ASSERT_EQ(post_dados(*server_, order.request()).status, 200);
    auto items = f.db().prepare("SELECT count(*), sum(iven_ordem), sum(pro_id = 9102) FROM item_pedido "
                                "WHERE emp_codigo = 'Teste' AND ven_id = '1' AND ven_pedido = 20030");
    ASSERT_TRUE(items.step());
    EXPECT_EQ(items.integer(0), lines);
    EXPECT_EQ(items.integer(1), std::int64_t{lines} * (lines + 1) / 2);
    EXPECT_EQ(items.integer(2), lines / 2);
}

TEST_F(OrderKinds, a_refused_order_stores_nothing)
{
    DemoFixture f(server_->database().toStdString());
    struct Case {
        const char* what;
        void (*change)(Order&);
        int status;
        const char* error;
    } const cases[]{
        {"another salesperson's client", [](Order& o) { o.cli_id = "9002"; }, 404, "Cliente 9002"},
        {"unknown product", [](Order& o) { o.items[1][0].second = "999999"; }, 400, "Produto 999999"},
        {"thousands separator", [](Order& o) { o.total = "1.150,00"; }, 400, "VEN_TOT_MERCADORIA"},
        {"negative quantity", [](Order& o) { o.items[0][2].second = "-2,50"; }, 400, "IVEN_QTD_PRODUTO"},
        {"impossible date", [](Order& o) { o.entrega = "31/02/2027"; }, 400, "VEN_DTA_ENTREGA"},
        {"same position twice", [](Order& o) { o.items[1][1].second = "1"; }, 400, "IVEN_ORDEM"},
        {"instalment not a number", [](Order& o) { o.parcelas[1] = "56 dias"; }, 400, "CRE_PARCELA"},
        {"another salesperson's id", [](Order& o) { o.ven_id = "2"; }, 400, "VEN_ID"},
        {"no order object", [](Order& o) { o.with_venda = false; }, 400, "VENDA0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Order order;
        order.pedido = "20020";
        c.change(order);
        const HttpResult result = post_dados(*server_, order.request());
        EXPECT_EQ(result.status, c.status);
        EXPECT_NE(error_text(result).find(c.error), std::string::npos) << result.body.toStdString();
        EXPECT_TRUE(stored_order(f.db(), "1", "20020").empty());
    }
}

} // namespace
