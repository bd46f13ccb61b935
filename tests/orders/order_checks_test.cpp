#include "order_fixture.h"
#include "orders/order_checks.h"
#include "server/json_parse.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace {

JsonValue json(const char* text)
{
    return *parse_json(text);
}

const QString kStock = u"**** PRODUTOS SEM ESTOQUE ****\r\r[202] Disp [ 1,5]\r[303] Disp [ 0]\r"_s;
const QString kReceivables =
    u"**** CLIENTE COM PENDENCIAS NO FINANCEIRO ****\r\r1234-2[10/03/2024] R$ 150,00\r"_s;

} // namespace

TEST(OrderChecks, replies_give_their_verdict_and_message)
{
    const struct {
        const char* reply;
        CheckResult (*read)(const JsonValue&);
        bool failed;
        QString message;
    } cases[] = {
        {R"({"VALIDAR_ESTOQUE":"SEM ESTOQUE","ITENS":[{"PRO_ID":202,"QTD_DISPONIVEL":"1,5"},{"PRO_ID":"303"}]})",
         ler_estoque, true, kStock},
        {R"({"VALIDAR_ESTOQUE":"SEM ESTOQUE","ITENS":[]})", ler_estoque, true, {}},
        // Compared exactly.
        {R"({"VALIDAR_ESTOQUE":"sem estoque"})", ler_estoque, false, {}},
        {R"({"VALIDAR_ESTOQUE":null})", ler_estoque, false, {}},
        {R"({"VALIDAR_FINANCEIRO":"NAO_LIBERADO","TITULOS":[{"CRE_TITULO":"1234","CRE_PARCELA":"2",)"
         R"("CRE_DTA_VENCIMENTO":"10/03/2024","CRE_TOT_DIFERENCA":"150,00"}]})",
         ler_financeiro, true, kReceivables},
        {R"({"VALIDAR_FINANCEIRO":"NAO_LIBERADO","TITULOS":[{"CRE_TITULO":null}]})", ler_financeiro, true,
         u"**** CLIENTE COM PENDENCIAS NO FINANCEIRO ****\r\r-[] R$ 0\r"_s},
        {R"({"VALIDAR_FINANCEIRO":"LIBERADO","TITULOS":"qualquer"})", ler_financeiro, false, {}},
    };
    for (const auto& c : cases) {
        const CheckResult r = c.read(json(c.reply));
        EXPECT_EQ(r.failed, c.failed) << c.reply;
        EXPECT_EQ(r.message, c.message) << c.reply;
    }

    const struct {
        const char* reply;
        bool failed;
        QString message;
    } times[] = {
        {R"({"VALIDAR_HORARIO":"NAO_LIBERADO","HORARIO":"17:00","DIA_BLOQ":"NULL"})", true,
         u"SEU PEDIDO NÃO SERÁ ENVIADO ATÉ [17:00] DE SEGUNDA A QUINTA"_s},
        {R"({"VALIDAR_HORARIO":"NAO_LIBERADO","HORARIO":"17:00","DIA_BLOQ":"6"})", true,
         u"DIA DE ENVIO INVÁLIDO [SABADO]"_s},
        {R"({"VALIDAR_HORARIO":"NAO_LIBERADO","HORARIO":"17:00","DIA_BLOQ":2})", true,
         u"DIA DE ENVIO INVÁLIDO [TERÇA]"_s},
        {R"({"VALIDAR_HORARIO":"NAO_LIBERADO","HORARIO":"17:00","DIA_BLOQ":"0"})", true,
         u"DIA DE ENVIO INVÁLIDO [DOMINGO]"_s},
        {R"({"VALIDAR_HORARIO":"NAO_LIBERADO","HORARIO":"17:00","DIA_BLOQ":"9"})", true,
         u"DIA DE ENVIO INVÁLIDO [17:00]"_s},
        {R"({"VALIDAR_HORARIO":"LIBERADO"})", false, {}},
    };
    for (const auto& c : times) {
        const CheckResult r = ler_horario(json(c.reply), Regional::brazil());
        EXPECT_EQ(r.failed, c.failed) << c.reply;
        EXPECT_EQ(r.message, c.message) << c.reply;
    }
}

TEST(OrderChecks, replies_missing_what_they_need_raise_errors_naming_it)
{
    const struct {
        const char* reply;
        CheckResult (*read)(const JsonValue&);
        const char* names;
    } cases[] = {
        {R"({"ESTOQUE":"SEM ESTOQUE"})", ler_estoque, "VALIDAR_ESTOQUE"},
        {R"({"VALIDAR_ESTOQUE":"SEM ESTOQUE"})", ler_estoque, "ITENS"},
        {R"({"VALIDAR_ESTOQUE":"SEM ESTOQUE","ITENS":{"PRO_ID":"1"}})", ler_estoque, "ITENS"},
        {R"({"VALIDAR_ESTOQUE":"SEM ESTOQUE","ITENS":["1"]})", ler_estoque, "ITENS"},
        {R"({"CHAVE_VENDEDOR":"47261"})", ler_financeiro, "VALIDAR_FINANCEIRO"},
        {R"({"VALIDAR_FINANCEIRO":"NAO_LIBERADO"})", ler_financeiro, "TITULOS"},
    };
    for (const auto& c : cases) {
        try {
            c.read(json(c.reply));
            ADD_FAILURE() << c.reply;
        } catch (const ProtocolError& e) {
            EXPECT_TRUE(e.message().contains(QLatin1StringView(c.names))) << e.message().toStdString();
        }
    }
    const struct {
        const char* reply;
        const char* names;
    } times[] = {
        {R"({"VALIDAR_HORA_ENVIO":"LIBERADO"})", "VALIDAR_HORARIO"},
        {R"({"VALIDAR_HORARIO":"NAO_LIBERADO","DIA_BLOQ":"NULL"})", "HORARIO"},
        {R"({"VALIDAR_HORARIO":"NAO_LIBERADO","HORARIO":"17:00"})", "DIA_BLOQ"},
    };
    for (const auto& c : times) {
        try {
            ler_horario(json(c.reply), Regional::brazil());
            ADD_FAILURE() << c.reply;
        } catch (const ProtocolError& e) {
            EXPECT_TRUE(e.message().contains(QLatin1StringView(c.names))) << e.message().toStdString();
        }
    }
    EXPECT_THROW(ler_horario(json(R"({"VALIDAR_HORARIO":"NAO_LIBERADO","HORARIO":"17:00","DIA_BLOQ":"SAB"})"),
                             Regional::brazil()),
                 ConversionError);
}

TEST_F(OrderTest, checks_ask_all_three_in_order_then_warn_each_after_a_beep)
{
    add_items();
    reply(
        R"({"VALIDAR_ESTOQUE":"SEM ESTOQUE","ITENS":[{"PRO_ID":202,"QTD_DISPONIVEL":"1,5"},{"PRO_ID":"303"}]})");
    reply(R"({"VALIDAR_FINANCEIRO":"NAO_LIBERADO","TITULOS":[{"CRE_TITULO":"1234","CRE_PARCELA":"2",)"
          R"("CRE_DTA_VENCIMENTO":"10/03/2024","CRE_TOT_DIFERENCA":"150,00"}]})");
    reply(R"({"VALIDAR_HORARIO":"NAO_LIBERADO","HORARIO":"17:00","DIA_BLOQ":"6"})");
    bool passed = true;
    ASSERT_EQ(run([&] { passed = validar_pedido(context, dados.tblItemVenda, order.cli_id).passed(); }),
              u""_s);
    EXPECT_FALSE(passed);

    const QByteArray estoque =
        R"({"REQUISICAO":{"TABLE":"VALIDAR_ESTOQUE","EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste1"},)"
        R"("ITENS_VENDA":[{"PRO_ID":"202","IVEN_QTD_PRODUTO":"2,00"},{"PRO_ID":"303","IVEN_QTD_PRODUTO":"1,00"}]})";
    ASSERT_EQ(transport.bodies.size(), 3);
    EXPECT_EQ(transport.request(0), estoque);
    EXPECT_EQ(
        transport.request(1),
        R"({"REQUISICAO":{"TABLE":"VALIDAR_FINANCEIRO","EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste1","CLI_ID":"12"}})");
    EXPECT_EQ(transport.request(2),
              R"({"REQUISICAO":{"TABLE":"VALIDAR_HORA_ENVIO","EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste1"}})");
    for (const QString& path : transport.paths)
        EXPECT_TRUE(path.endsWith(u"getDados_OnLine"_s));
    EXPECT_EQ(dir.read(u"ts.txt"_s), estoque + "\r\n");
    EXPECT_EQ(messages.said,
              (QStringList{u"beep"_s, u"warning: "_s + kStock, u"beep"_s, u"warning: "_s + kReceivables,
                           u"beep"_s, u"warning: DIA DE ENVIO INVÁLIDO [SABADO]"_s}));
}

TEST_F(OrderTest, checks_that_pass_say_nothing_and_a_full_stop_setting_sends_full_stops)
{
    context.regional = Regional{u'.', u'/', u"M/d/yyyy"_s};
    add_items();
    for (const QByteArray& r : kPass)
        reply(r);
    bool passed = false;
    ASSERT_EQ(run([&] { passed = validar_pedido(context, dados.tblItemVenda, order.cli_id).passed(); }),
              u""_s);
    EXPECT_TRUE(passed);
    EXPECT_TRUE(messages.said.isEmpty());
    EXPECT_EQ(
        transport.request(0),
        R"({"REQUISICAO":{"TABLE":"VALIDAR_ESTOQUE","EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste1"},)"
        R"("ITENS_VENDA":[{"PRO_ID":"202","IVEN_QTD_PRODUTO":"2.00"},{"PRO_ID":"303","IVEN_QTD_PRODUTO":"1.00"}]})");

    // A failed check with nothing to list blocks the order silently; an order without items sends [].
    filtrar_itens(dados.tblItemVenda, u"555"_s);
    reply(R"({"VALIDAR_ESTOQUE":"SEM ESTOQUE","ITENS":[]})");
    reply(kPass[1]);
    reply(kPass[2]);
    ASSERT_EQ(run([&] { passed = validar_pedido(context, dados.tblItemVenda, order.cli_id).passed(); }),
              u""_s);
    EXPECT_FALSE(passed);
    EXPECT_TRUE(messages.said.isEmpty());
    EXPECT_EQ(
        transport.request(3),
        R"({"REQUISICAO":{"TABLE":"VALIDAR_ESTOQUE","EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste1"},"ITENS_VENDA":[]})");
}

TEST_F(OrderTest, an_error_during_the_checks_ends_them_before_any_warning)
{
    // The stock check fails, then the server breaks down: nothing is shown but the error.
    reply(R"({"VALIDAR_ESTOQUE":"SEM ESTOQUE","ITENS":[{"PRO_ID":"1"}]})");
    server.answer(ScriptedServer::http(500, R"({"error":"Banco de dados fora do ar"})"));
    EXPECT_TRUE(run([&] {
                    validar_pedido(context, dados.tblItemVenda, order.cli_id);
                }).contains(u"Banco de dados fora do ar"_s));
    EXPECT_EQ(transport.bodies.size(), 2);

    // A reply without its status pair stops the checks there.
    reply(R"({"VALIDAR_ESTOQUE":"OK"})");
    reply(R"({"CHAVE_VENDEDOR":"47261"})");
    EXPECT_TRUE(run([&] {
                    validar_pedido(context, dados.tblItemVenda, order.cli_id);
                }).contains(u"VALIDAR_FINANCEIRO"_s));
    EXPECT_EQ(transport.bodies.size(), 4);

    // ts.txt cannot be written: no request goes out.
    QFile::remove(dir.path(u"ts.txt"_s));
    QDir(dir.path()).mkdir(u"ts.txt"_s);
    EXPECT_NE(run([&] { validar_pedido(context, dados.tblItemVenda, order.cli_id); }), u""_s);
    EXPECT_EQ(transport.bodies.size(), 4);
    EXPECT_TRUE(messages.said.isEmpty());
}
