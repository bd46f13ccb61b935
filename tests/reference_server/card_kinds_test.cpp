#include "demo_fixture.h"
#include "pdf_check.h"
#include "server_calls.h"
#include "server_process.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const char* const card_filter =
    "AND cre_pagamento = 'BOLETO' AND ((cre_status = 'Em Aberto') or (cre_status = 'Comprado'))";
const std::string directory = "c:\\inetpub\\wwwroot\\Teste";

std::string br(QDate day)
{
    return day.toString(u"dd/MM/yyyy"_s).toStdString();
}

// One demo server; client 9201 of salesperson 1 has receivables of every kind and three sales.
class CardKinds : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        server_ = std::make_unique<ServerProcess>();
        DemoFixture f(server_->database().toStdString());
        const QDate today = DemoFixture::today();
        f.client(9201, "1", "Empório Fixture Ltda");
        f.client(9202, "2", "Cliente de Outro Vendedor");
        f.receivable(92001, 9201, "8001", "1/2", "Em Aberto", "BOLETO", 15000, 0, today.addDays(-20),
                     today.addDays(10));
        f.receivable(92002, 9201, "8001", "2/2", "Comprado", "BOLETO", 15000, 5000, today.addDays(-20),
                     today.addDays(40));
        f.receivable(92003, 9201, "8002", "1/1", "Pago", "BOLETO", 8000, 8000, today.addDays(-90),
                     today.addDays(-60));
        f.receivable(92004, 9201, "8003", "1/1", "Em Aberto", "CHEQUE", 5000, 0, today.addDays(-35),
                     today.addDays(-5));
        f.receivable(92005, 9201, "8004", "1/1", "Em Aberto", "BOLETO", 2000, 0, today.addDays(-50),
                     today.addDays(-20));
        f.receivable(92006, 9202, "8005", "1/1", "Em Aberto", "BOLETO", 2000, 0, today, today.addDays(20));

        f.sale(920001, 9201, today.addDays(-10), 12345);
        f.sale_item(920001, 920001, 1, 1, 3, 2500);
        f.sale_item(920002, 920001, 2, 2, 1.5, 3230);
        f.sale(920002, 9201, today.addDays(-100), 5000);
        f.sale_item(920003, 920002, 1, 2, 2, 2500);
        f.sale(920003, 9201, today.addDays(-200), 7000);
        f.sale_item(920004, 920003, 1, 1, 7, 1000);
    }
    static void TearDownTestSuite() { server_.reset(); }

    static HttpResult ask(const std::string& kind, const Pairs& pairs)
    {
        return get_dados(*server_, request_of(kind, pairs));
    }

    static std::unique_ptr<ServerProcess> server_;
};
std::unique_ptr<ServerProcess> CardKinds::server_;

std::vector<std::string> receivable_ids(const JsonValue& reply)
{
    std::vector<std::string> ids;
    const JsonValue& titulos = *reply.find("TITULOS");
    for (std::size_t i = 0; i < titulos.size(); ++i) {
        EXPECT_EQ(titulos.key_at(i), "FINANCEIRO" + std::to_string(i));
        ids.push_back(text_of(titulos.at(i), "CRE_ID"));
    }
    return ids;
}

TEST_F(CardKinds, receivables_are_those_of_the_client_that_the_filter_lets_through_by_due_date)
{
    struct Case {
        const char* filtro;
        std::vector<std::string> ids;
    } const cases[]{
        {card_filter, {"92005", "92001", "92002"}},
        {"", {"92003", "92005", "92004", "92001", "92002"}},
        {"NULL", {"92003", "92005", "92004", "92001", "92002"}},
        {"cre_status = 'Pago'", {"92003"}},
        {"AND cre_pagamento <> 'BOLETO'", {"92004"}},
        {"cre_status IN ('Pago', 'Comprado')", {"92003", "92002"}},
        {"not (cre_status = 'Em Aberto') AND cre_pagamento = 'BOLETO'", {"92003", "92002"}},
        {"cre_status NOT IN ('Em Aberto')", {"92003", "92002"}},
        // AND binds tighter than OR.
        {"cre_status = 'Em Aberto' OR cre_status = 'Pago' AND cre_pagamento = 'CHEQUE'",
         {"92005", "92004", "92001"}},
        {"cre_status = 'em aberto'", {}},
        {"cre_status = 'O''Brien'", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.filtro);
        const auto reply = reply_object(ask("HIST_FINANCEIRO", {{"CLI_ID", "9201"}, {"FILTRO", c.filtro}}));
        ASSERT_TRUE(reply);
        EXPECT_EQ(keys_of(*reply), (std::vector<std::string>{"TITULOS", "CHAVE_VENDEDOR"}));
        EXPECT_EQ(text_of(*reply, "CHAVE_VENDEDOR"), "47261");
        EXPECT_EQ(receivable_ids(*reply), c.ids);
    }

    const auto reply = reply_object(ask("HIST_FINANCEIRO", {{"CLI_ID", "9201"}, {"FILTRO", card_filter}}));
    ASSERT_TRUE(reply);
    const QDate today = DemoFixture::today();
    // What is left to receive of a part payment.
    EXPECT_EQ(reply->find("TITULOS")->at(2), object_of({{"CRE_ID", "92002"},
                                                        {"CRE_TITULO", "8001"},
                                                        {"CRE_PARCELA", "2/2"},
                                                        {"CRE_STATUS", "Comprado"},
                                                        {"CRE_PAGAMENTO", "BOLETO"},
                                                        {"CRE_DTA_VENCIMENTO", br(today.addDays(40))},
                                                        {"CRE_DTA_EMISSAO", br(today.addDays(-20))},
                                                        {"CRE_VLR_RECEBER", "100,00"}}));
}

TEST_F(CardKinds, a_filter_outside_the_condition_language_is_refused_and_reaches_no_database)
{
    for (const char* hostile : {
             "AND 1=1",
             "'; DROP TABLE receber; --",
             "AND cre_status = 'Pago'; DELETE FROM receber",
             "cre_status = 'Pago' OR 1=1",
             "cre_status = 'x' UNION SELECT ven_chave FROM vendedor",
             "ven_chave = '47261'",
             "cre_status = 'Pago' --",
             "cre_status = 'unterminated",
             "cre_status = ",
             "(((((((((((((((((((((((((((((((((((((((cre_status = "
             "'Pago')))))))))))))))))))))))))))))))))))))))",
         }) {
        SCOPED_TRACE(hostile);
        const HttpResult result = ask("HIST_FINANCEIRO", {{"CLI_ID", "9201"}, {"FILTRO", hostile}});
        EXPECT_EQ(result.status, 400);
        EXPECT_TRUE(error_text(result).starts_with("FILTRO inválido")) << result.body.toStdString();
    }
    const auto reply = reply_object(ask("HIST_FINANCEIRO", {{"CLI_ID", "9201"}, {"FILTRO", ""}}));
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->find("TITULOS")->size(), 5u);
}

TEST_F(CardKinds, sales_history_holds_the_sales_of_the_last_days_newest_first_with_their_items)
{
    struct Case {
        const char* days;
        std::vector<std::string> pedidos;
    } const cases[]{{"180", {"920001", "920002"}},
                    {"10", {"920001"}},
                    {"365", {"920001", "920002", "920003"}},
                    {"0", {}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.days);
        const auto reply = reply_object(ask("HIST_VENDA", {{"CLI_ID", "9201"}, {"QTD_DIAS", c.days}}));
        ASSERT_TRUE(reply);
        // The client counts the sales as the pairs less one.
        std::vector<std::string> keys, pedidos;
        for (std::size_t i = 0; i < c.pedidos.size(); ++i)
            keys.push_back("VENDA" + std::to_string(i));
        keys.push_back("CHAVE_VENDEDOR");
        ASSERT_EQ(keys_of(*reply), keys);
        for (std::size_t i = 0; i + 1 < reply->size(); ++i)
            pedidos.push_back(text_of(reply->at(i), "NFE_PEDIDO"));
        EXPECT_EQ(pedidos, c.pedidos);
    }

    const auto reply = reply_object(ask("HIST_VENDA", {{"CLI_ID", "9201"}, {"QTD_DIAS", "180"}}));
    ASSERT_TRUE(reply);
    JsonValue expected = object_of({{"NFE_PEDIDO", "920001"},
                                    {"NFE_NOTA", "1020001"},
                                    {"NFE_DTA_CADASTRO", br(DemoFixture::today().addDays(-10))},
                                    {"NFE_TOT_NOTA", "123,45"}});
    expected.insert("ITEM_VENDA", array_of({object_of({{"INFE_ID", "920001"},
                                                       {"NFE_PEDIDO", "920001"},
                                                       {"PRO_ID", "1"},
                                                       {"INFE_QTD_PRODUTO", "3"},
                                                       {"INFE_VLR_PRODUTO", "25,00"}}),
                                            object_of({{"INFE_ID", "920002"},
                                                       {"NFE_PEDIDO", "920001"},
                                                       {"PRO_ID", "2"},
                                                       {"INFE_QTD_PRODUTO", "1,5"},
                                                       {"INFE_VLR_PRODUTO", "32,30"}})}));
    EXPECT_EQ(reply->at(0), expected) << to_json(reply->at(0));
}

Pairs slip_request(const std::string& cre_id, const std::string& kind)
{
    return {{"CRE_ID", cre_id}, {"TIPO_DOCUMENTO", kind}, {"DIRETORIO", directory}};
}

// Days from 7 October 1997, starting again at 1000 after 9999 (22 February 2025).
QString due_factor(QDate due)
{
    qint64 factor = QDate(1997, 10, 7).daysTo(due);
    if (factor > 9999) factor = (factor - 1000) % 9000 + 1000;
    return u"%1"_s.arg(factor, 4, 10, QChar(u'0'));
}

TEST_F(CardKinds, a_payment_slip_comes_as_its_typed_line_or_as_a_pdf_named_after_the_client)
{
    const auto line_reply = reply_object(ask("BOLETO", slip_request("92001", "LINHA_DIGITAVEL")));
    ASSERT_TRUE(line_reply);
    EXPECT_EQ(keys_of(*line_reply), (std::vector<std::string>{"LINHA_DIGITAVEL", "CHAVE_VENDEDOR"}));
    const QString line = QString::fromStdString(text_of(*line_reply, "LINHA_DIGITAVEL"));
    static const QRegularExpression layout(
        u"^2379\\d\\.\\d{5} \\d{5}\\.\\d{6} \\d{5}\\.\\d{6} \\d (\\d{4})(\\d{10})$"_s);
    const auto match = layout.match(line);
    ASSERT_TRUE(match.hasMatch()) << line.toStdString();
    EXPECT_EQ(match.captured(1), due_factor(DemoFixture::today().addDays(10)));
    EXPECT_EQ(match.captured(2), u"0000015000"_s);

    const auto pdf_reply = reply_object(ask("BOLETO", slip_request("92001", "PDF")));
    ASSERT_TRUE(pdf_reply);
    EXPECT_EQ(keys_of(*pdf_reply), (std::vector<std::string>{"ARQUIVO", "CHAVE_VENDEDOR"}));
    const CheckedPdf pdf = check_pdf(*pdf_reply->find("ARQUIVO"));
    EXPECT_EQ(pdf.name, u"9201.pdf"_s);
    EXPECT_EQ(pdf.pages, 1);
    // The Nosso Número 20000092001 of carteira 09, weights 2 to 7 from the right: 1x2 + 2x5 + 9x6, then
    // 2x6 + 9x7 = 141, remainder 9, check digit 2. The account 0012345's is 5.
    for (const QString& expected : {line, u"Empório Fixture Ltda"_s, u"150,00"_s,
                                    QString::fromStdString(br(DemoFixture::today().addDays(10))),
                                    u"8001 1/2"_s, u"09/20000092001-2"_s, u"1234 / 0012345-5"_s})
        EXPECT_TRUE(pdf.text.contains(expected)) << expected.toStdString() << "\n" << pdf.text.toStdString();

    // The bars, read by a scanner at the resolutions of an office, say what the typed line says: its
    // 47 digits give the bar code's 44 without the fields' own check digits.
    const QString digits = QString(line).remove(u'.').remove(u' ');
    const QString from_line = digits.left(4) + digits.mid(32, 1) + digits.mid(33, 14) + digits.mid(4, 5) +
                              digits.mid(10, 10) + digits.mid(21, 10);
    for (const int dpi : {100, 150, 300})
        EXPECT_EQ(bar_code_of(pdf.bytes, dpi), from_line) << dpi << " dpi";
}

TEST_F(CardKinds, receivables_without_a_slip_to_pay_give_no_document)
{
    struct Case {
        const char* what;
        const char* cre_id;
        const char* kind;
        int status;
        const char* arquivo_or_error;
    } const cases[]{
        {"paid", "92003", "PDF", 200, "NULL"},
        {"paid, typed line", "92003", "LINHA_DIGITAVEL", 404, "não tem boleto"},
        {"paid by cheque", "92004", "PDF", 200, "NULL"},
        {"another salesperson's client", "92006", "PDF", 404, "Título 92006"},
        {"no such receivable", "424242", "LINHA_DIGITAVEL", 404, "Título 424242"},
        {"unknown document kind", "92001", "XML", 400, "TIPO_DOCUMENTO"},
        {"id not a number", "92001 OR 1=1", "PDF", 400, "CRE_ID"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const HttpResult result = ask("BOLETO", slip_request(c.cre_id, c.kind));
        EXPECT_EQ(result.status, c.status);
        if (c.status == 200) {
            const auto reply = reply_object(result);
            ASSERT_TRUE(reply);
            EXPECT_EQ(to_json(*reply), R"({"ARQUIVO":"NULL","CHAVE_VENDEDOR":"47261"})");
        } else {
            EXPECT_NE(error_text(result).find(c.arquivo_or_error), std::string::npos)
                << result.body.toStdString();
        }
    }
}

Pairs financial_report(const std::string& cli_id, const std::string& from, const std::string& to)
{
    return {{"CLI_ID", cli_id},   {"VEN_ID", "1"},   {"STATUS", "PENDENTE"},
            {"DTA_INICIO", from}, {"DTA_FINAL", to}, {"DIRETORIO", directory}};
}

TEST_F(CardKinds, financial_reports_list_the_pending_receivables_in_a_pdf_named_after_the_salesperson)
{
    const QDate today = DemoFixture::today();
    struct Case {
        const char* what;
        Pairs request;
        std::vector<QString> present, absent;
        bool several_pages;
    } const cases[]{
        {"the card's report",
         financial_report("9201", "NULL", "NULL"),
         {u"Empório Fixture Ltda"_s, u"8001"_s, u"8003"_s, u"8004"_s, u"4 títulos de 1 cliente"_s},
         {u"8002"_s, u"8005"_s},
         false},
        {"the list's report, slashes",
         financial_report("NULL", "01/01/2000", today.toString(u"MM/dd/yyyy"_s).toStdString()),
         {u"Empório Fixture Ltda"_s, u"8004"_s, u"todos os clientes"_s},
         {u"8005"_s},
         true},
        // Issued 50 and 35 days ago: in; issued 20 days ago: out.
        {"the list's report, hyphens, a month back",
         financial_report("NULL", "01/01/2000", today.addDays(-30).toString(u"MM-dd-yyyy"_s).toStdString()),
         {u"8004"_s, u"8003"_s},
         {u"8001"_s},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto reply = reply_object(ask("RELATORIO_FINANCEIRO", c.request));
        ASSERT_TRUE(reply);
        EXPECT_EQ(keys_of(*reply), (std::vector<std::string>{"ARQUIVO", "CHAVE_VENDEDOR"}));
        const CheckedPdf pdf = check_pdf(*reply->find("ARQUIVO"));
        EXPECT_EQ(pdf.name, u"1.pdf"_s);
        EXPECT_EQ(pdf.pages > 1, c.several_pages) << pdf.pages;
        for (const QString& text : c.present)
            EXPECT_TRUE(pdf.text.contains(text)) << text.toStdString();
        for (const QString& text : c.absent)
            EXPECT_FALSE(pdf.text.contains(text)) << text.toStdString();
    }
}

TEST_F(CardKinds, sales_reports_list_the_clients_sales_with_their_items)
{
    struct Case {
        const char* what;
        std::string pro_id, tipo;
        std::vector<QString> present, absent;
    } const cases[]{
        {"every sale",
         "NULL",
         "NULL",
         {u"Pedido 920001"_s, u"Pedido 920003"_s, u"48,45"_s, u"3 vendas"_s},
         {}},
        {"sales with product 2", "2", "NULL", {u"Pedido 920001"_s, u"Pedido 920002"_s}, {u"Pedido 920003"_s}},
        {"summary", "NULL", "SINTETICO", {u"Pedido 920002"_s, u"123,45"_s}, {u"48,45"_s}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto reply = reply_object(ask("RELATORIO_VENDA", {{"CLI_ID", "9201"},
                                                                {"VEN_ID", "1"},
                                                                {"PRO_ID", c.pro_id},
                                                                {"DTA_INICIO", "NULL"},
                                                                {"DTA_FINAL", "NULL"},
                                                                {"TIPO", c.tipo},
                                                                {"DIRETORIO", directory}}));
        ASSERT_TRUE(reply);
        const CheckedPdf pdf = check_pdf(*reply->find("ARQUIVO"));
        EXPECT_EQ(pdf.name, u"1.pdf"_s);
        for (const QString& text : c.present)
            EXPECT_TRUE(pdf.text.contains(text)) << text.toStdString() << "\n" << pdf.text.toStdString();
        for (const QString& text : c.absent)
            EXPECT_FALSE(pdf.text.contains(text)) << text.toStdString();
    }
}

TEST_F(CardKinds, report_requests_it_cannot_read_are_refused)
{
    struct Case {
        const char* kind;
        Pairs request;
        int status;
        const char* error;
    } const cases[]{
        {"RELATORIO_FINANCEIRO", financial_report("NULL", "01/01/2000", "2024-03-15"), 400, "DTA_FINAL"},
        {"RELATORIO_FINANCEIRO", financial_report("NULL", "01/01/2000", "13/15/2024"), 400, "DTA_FINAL"},
        {"RELATORIO_FINANCEIRO", financial_report("9202", "NULL", "NULL"), 404, "Cliente 9202"},
        {"RELATORIO_FINANCEIRO",
         {{"CLI_ID", "NULL"}, {"VEN_ID", "2"}, {"STATUS", "PENDENTE"}, {"DIRETORIO", directory}},
         403,
         "VEN_ID"},
        {"RELATORIO_FINANCEIRO", {{"CLI_ID", "9201"}, {"VEN_ID", "1"}, {"STATUS", "ABERTO"}}, 400, "STATUS"},
        {"RELATORIO_VENDA", {{"CLI_ID", "9201"}, {"VEN_ID", "1"}, {"TIPO", "GRAFICO"}}, 400, "TIPO"},
        {"RELATORIO_VENDA", {{"CLI_ID", "9201"}, {"VEN_ID", "1"}, {"PRO_ID", "dois"}}, 400, "PRO_ID"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.kind) + " " + to_json(object_of(c.request)));
        const HttpResult result = ask(c.kind, c.request);
        EXPECT_EQ(result.status, c.status);
        EXPECT_NE(error_text(result).find(c.error), std::string::npos) << result.body.toStdString();
    }
}

} // namespace
