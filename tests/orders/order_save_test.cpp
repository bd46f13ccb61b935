#include "closed_port.h"
#include "order_fixture.h"
#include "orders/order_export.h"
#include "orders/order_save.h"
#include "orders/pending_orders.h"
#include "server/json_parse.h"
#include "server/json_write.h"
#include "server/request.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace {

const QString kKeep =
    u"confirm: Não foi possível falar com o servidor. Guardar o pedido para enviar depois?"_s;
const QString kKeepForTheHour =
    u"confirm: O pedido está fora do horário de envio. Guardar o pedido para enviar depois?"_s;
const QString kKept = u"information: Pedido Guardado para Envio!"_s;
const QString kSent = u"information: Pedido Criado com Sucesso!"_s;
const QString kCopy = u"historico_vendas/venda_10000_091225.json"_s;
const QString kPending = u"historico_vendas/venda_10000_091225.pendente"_s;
const QString kSending = u"historico_vendas/venda_10000_091225.enviando"_s;

// A reply that stops after a few bytes of its body.
const ScriptedServer::Answer kCut{"HTTP/1.1 200 OK\r\nContent-Length: 40\r\n\r\n{\"res", true, false};

class OrderSave : public OrderTest {
protected:
    void SetUp() override
    {
        OrderTest::SetUp();
        add_items();
    }
    void pass_checks()
    {
        for (const QByteArray& r : kPass)
            reply(r);
    }
    void take_post() { server.answer(ScriptedServer::http(200, "{\"result\":[]}")); }
    // The save action's verdict: true when the screen is done with the order.
    bool save()
    {
        bool done = false;
        const QString error = run([&] { done = gravar_pedido(context, dados, order); });
        if (!error.isEmpty()) messages.said << u"error: "_s + error;
        return done;
    }
    void start_over()
    {
        QDir history(dir.path(u"historico_vendas"_s));
        for (const QString& f : history.entryList(QDir::Files))
            history.remove(f);
        dados.tblVenda.empty();
        messages.clear();
        messages.answers.clear();
        transport.bodies.clear();
        transport.paths.clear();
    }
    QList<Situacao> situations()
    {
        QList<Situacao> out;
        for (const OrderEntry& e : listar_pedidos(context))
            out << e.situacao;
        return out;
    }
    // The request as built from the settings, one line as a file holds it.
    QByteArray expected_request()
    {
        return QByteArray::fromStdString(
            to_json(pedido_request({u"Teste"_s, u"1"_s, {}}, order, dados.tblItemVenda, context.regional)));
    }
};

} // namespace

TEST_F(OrderSave, a_saved_order_is_filed_and_posted_once_and_nothing_is_left_waiting)
{
    pass_checks();
    take_post();
    EXPECT_TRUE(save());
    EXPECT_EQ(messages.said, QStringList{kSent});
    ASSERT_EQ(transport.bodies.size(), 4);
    EXPECT_TRUE(transport.paths[3].endsWith(u"postDados_OnLine"_s));
    EXPECT_EQ(transport.request(3), expected_request());
    EXPECT_EQ(dir.read(kCopy), expected_request() + "\r\n");
    EXPECT_FALSE(dir.exists(kPending));
    EXPECT_FALSE(dir.exists(kSending));
    EXPECT_EQ(situations(), QList<Situacao>{Situacao::Enviado});
    EXPECT_EQ(dados.tblVenda.record_count(), 1);
}

TEST_F(OrderSave, when_the_server_cannot_be_reached_the_order_may_be_kept_exactly_as_it_would_have_gone)
{
    const ClosedPort down;
    const struct Case {
        const char* name;
        std::function<void()> arrange;
        bool posted; // the post went out before the line failed
        QString cause;
    } cases[] = {
        {"server down", [&] { dir.write_config(u"Teste"_s, down.address(), u"1"_s, u"47261"_s); }, false,
         u"conexão recusada"_s},
        {"cut during the checks",
         [&] {
             reply(kPass[0]);
             server.answer(kCut);
         },
         false, u"encerrada"_s},
        {"gateway without the server",
         [&] {
             pass_checks();
             server.answer(ScriptedServer::http(503, "<html>Service Unavailable</html>"));
         },
         true, u"503"_s},
        {"reply to the post cut",
         [&] {
             pass_checks();
             server.answer(kCut);
         },
         true, u"encerrada"_s},
        {"post stalls",
         [&] {
             pass_checks();
             server.answer({{}, false, true});
         },
         true, u"nenhum dado recebido"_s},
    };
    transport.http.idle_timeout = std::chrono::milliseconds(500);
    for (const bool keep : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (keep ? ", kept" : ", not kept"));
            start_over();
            configure(u"Teste"_s, u"1"_s, u"47261"_s);
            c.arrange();
            messages.answers = {keep};
            EXPECT_EQ(save(), keep);
            ASSERT_GE(messages.said.size(), 1);
            const QString question = messages.said.filter(u"confirm: "_s).value(0);
            EXPECT_TRUE(question.startsWith(kKeep) && question.contains(c.cause)) << question.toStdString();
            EXPECT_FALSE(messages.said.contains(kSent));
            if (!keep) {
                EXPECT_EQ(messages.said.size(), 1) << messages.said.join(u'\n').toStdString();
                EXPECT_FALSE(dir.exists(kPending));
                // A post that never came back is not claimed as sent.
                EXPECT_EQ(situations(), c.posted ? QList<Situacao>{Situacao::NaoEnviado} : QList<Situacao>{});
                continue;
            }
            EXPECT_EQ(messages.said.last(), kKept);
            // Kept exactly as posted (or as it would have been), beside its copy.
            EXPECT_EQ(dir.read(kPending), expected_request() + "\r\n");
            if (c.posted) {
                EXPECT_EQ(transport.request(transport.bodies.size() - 1), expected_request());
            }
            EXPECT_TRUE(dir.exists(kCopy));
            EXPECT_FALSE(dir.exists(kSending));
            EXPECT_EQ(situations(), QList<Situacao>{Situacao::Pendente});
            EXPECT_EQ(dados.tblVenda.record_count(), 1);
            EXPECT_EQ(pedidos_pendentes(context), (QList<OrderKey>{{u"10000"_s, QDate(2025, 12, 9)}}));
        }
    }
}

TEST_F(OrderSave, only_a_closed_sending_time_offers_to_keep_the_order)
{
    reply(kPass[0]);
    reply(kPass[1]);
    reply(R"({"VALIDAR_HORARIO":"NAO_LIBERADO","HORARIO":"17:00","DIA_BLOQ":"NULL"})");
    EXPECT_TRUE(save());
    EXPECT_EQ(
        messages.said,
        (QStringList{u"beep"_s, u"warning: SEU PEDIDO NÃO SERÁ ENVIADO ATÉ [17:00] DE SEGUNDA A QUINTA"_s,
                     kKeepForTheHour, kKept}));
    EXPECT_EQ(transport.bodies.size(), 3);
    EXPECT_EQ(dir.read(kPending), expected_request() + "\r\n");

    // Short of stock as well: the order must change, so nothing is offered.
    start_over();
    reply(R"({"VALIDAR_ESTOQUE":"SEM ESTOQUE","ITENS":[]})");
    reply(kPass[1]);
    reply(R"({"VALIDAR_HORARIO":"NAO_LIBERADO","HORARIO":"17:00","DIA_BLOQ":"NULL"})");
    EXPECT_FALSE(save());
    EXPECT_EQ(messages.said.filter(u"confirm"_s), QStringList());
    EXPECT_FALSE(dir.exists(kPending));
    EXPECT_FALSE(dir.exists(kCopy));
}

TEST_F(OrderSave, a_refusal_or_an_unwritable_copy_is_an_error_and_nothing_is_kept)
{
    // History folder missing: nothing is posted.
    QDir(dir.path(u"historico_vendas"_s)).removeRecursively();
    pass_checks();
    EXPECT_FALSE(save());
    EXPECT_EQ(transport.bodies.size(), 3);
    ASSERT_EQ(messages.said.size(), 1);
    EXPECT_TRUE(messages.said[0].contains(u"historico_vendas"_s));

    // The server refuses the order: its text is shown, no question, and the order was not sent.
    QDir(dir.path()).mkpath(u"historico_vendas"_s);
    start_over();
    pass_checks();
    server.answer(ScriptedServer::http(409, R"({"error":"Pedido recusado"})"));
    EXPECT_FALSE(save());
    ASSERT_EQ(messages.said.size(), 1);
    EXPECT_TRUE(messages.said[0].startsWith(u"error: "_s) && messages.said[0].contains(u"Pedido recusado"_s));
    EXPECT_TRUE(dir.exists(kCopy));
    EXPECT_EQ(situations(), QList<Situacao>{Situacao::NaoEnviado});

    // Saved again, it goes through and is no longer marked.
    start_over();
    pass_checks();
    take_post();
    EXPECT_TRUE(save());
    EXPECT_EQ(situations(), QList<Situacao>{Situacao::Enviado});
}

namespace {

// Pending orders written as the save action keeps them.
class Export : public OrderSave {
protected:
    void keep(const QString& pedido, const QDate& dia, const QString& cli_id, const QString& qtd)
    {
        JsonValue venda = JsonValue::object();
        add_text_pair(venda, "CLI_ID", cli_id);
        add_text_pair(venda, "PEDIDO", pedido);
        JsonValue item = JsonValue::object();
        add_text_pair(item, "VEN_ID", pedido);
        add_text_pair(item, "PRO_ID", u"202"_s);
        add_text_pair(item, "IVEN_QTD_PRODUTO", qtd);
        add_text_pair(item, "IVEN_VLR_PRODUTO", u"2,25"_s);
        JsonValue itens = JsonValue::array();
        itens.push_back(std::move(item));
        venda.insert("ITENS_VENDA", std::move(itens));
        venda.insert("FINANCEIRO", JsonValue::array());
        guardar_pendente(context, {pedido, dia},
                         requests::novo_pedido({u"Teste"_s, u"1"_s, {}}, std::move(venda)));
    }
    QByteArray kept(const QString& pedido, const QDate& dia)
    {
        return dir.read(stem_pedido({pedido, dia}).replace(u'\\', u'/') + u".pendente"_s);
    }
    static QByteArray stock_request(const char* qtd)
    {
        return R"({"REQUISICAO":{"TABLE":"VALIDAR_ESTOQUE","EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste1"},)"
               R"("ITENS_VENDA":[{"PRO_ID":"202","IVEN_QTD_PRODUTO":")" +
               QByteArray(qtd) + R"("}]})";
    }
    const QDate day8{2025, 12, 8}, day9{2025, 12, 9};
};

} // namespace

TEST_F(Export, pending_orders_go_oldest_first_and_those_that_fail_stay_with_the_reason)
{
    keep(u"10000"_s, day9, u"12"_s, u"3,00"_s);
    keep(u"9999"_s, day9, u"12"_s, u"2,00"_s);
    keep(u"10001"_s, day8, u"14"_s, u"1,00"_s);
    const QByteArray first = kept(u"10001"_s, day8);

    pass_checks(); // 10001 of the 8th goes
    take_post();
    reply(R"({"VALIDAR_ESTOQUE":"SEM ESTOQUE","ITENS":[{"PRO_ID":"202","QTD_DISPONIVEL":"1"}]})"); // 9999
    reply(kPass[1]);
    reply(kPass[2]);
    pass_checks(); // 10000 is refused
    server.answer(
        ScriptedServer::http(409, R"({"error":"O pedido 10000 já foi recebido com outro conteúdo"})"));

    ExportResult result;
    ASSERT_EQ(run([&] { result = exportar_vendas(context); }), u""_s);
    EXPECT_TRUE(messages.said.isEmpty());
    EXPECT_EQ(result.enviados, 1);
    EXPECT_EQ(result.pendentes, 2);
    ASSERT_EQ(transport.bodies.size(), 11);
    EXPECT_EQ(transport.request(0), stock_request("1,00"));
    EXPECT_EQ(
        transport.request(1),
        R"({"REQUISICAO":{"TABLE":"VALIDAR_FINANCEIRO","EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste1","CLI_ID":"14"}})");
    EXPECT_EQ(transport.request(3) + "\r\n", first);
    EXPECT_EQ(transport.request(4), stock_request("2,00"));
    EXPECT_EQ(transport.request(7), stock_request("3,00"));
    EXPECT_EQ(dir.read(u"ts.txt"_s), stock_request("3,00") + "\r\n");
    ASSERT_EQ(result.detalhes.size(), 3);
    EXPECT_EQ(result.detalhes[0], u"PEDIDO 9999: **** PRODUTOS SEM ESTOQUE ****"_s);
    EXPECT_EQ(result.detalhes[1], u"PEDIDO 9999: [202] Disp [ 1]"_s);
    EXPECT_TRUE(result.detalhes[2].startsWith(u"PEDIDO 10000: "_s) &&
                result.detalhes[2].contains(u"outro conteúdo"_s));
    EXPECT_EQ(pedidos_pendentes(context), (QList<OrderKey>{{u"9999"_s, day9}, {u"10000"_s, day9}}));
}

TEST_F(Export, losing_the_server_stops_the_run_and_a_damaged_order_is_passed_over)
{
    keep(u"1"_s, day8, u"12"_s, u"1,00"_s);
    keep(u"2"_s, day8, u"12"_s, u"1,00"_s);
    keep(u"3"_s, day9, u"12"_s, u"1,00"_s);
    dir.write(u"historico_vendas/venda_1_081225.pendente"_s, "{\"REQUISICAO\":{}");
    pass_checks(); // order 2: its post is cut, so it may or may not be stored: it stays
    server.answer(kCut);

    ExportResult result;
    ASSERT_EQ(run([&] { result = exportar_vendas(context); }), u""_s);
    EXPECT_EQ(result.enviados, 0);
    EXPECT_EQ(result.pendentes, 3);
    EXPECT_EQ(transport.bodies.size(), 4); // nothing for order 3
    ASSERT_EQ(result.detalhes.size(), 3);
    EXPECT_TRUE(result.detalhes[0].startsWith(u"PEDIDO 1: "_s) &&
                result.detalhes[0].contains(u"danificado"_s));
    EXPECT_TRUE(result.detalhes[1].startsWith(u"PEDIDO 2: "_s) &&
                result.detalhes[1].contains(u"encerrada"_s));
    EXPECT_TRUE(result.detalhes[2].startsWith(u"PEDIDO 2: ENVIO INTERROMPIDO"_s));

    // Sent at last: the same bytes go out again and the order stops waiting.
    const QByteArray again = kept(u"2"_s, day8);
    transport.bodies.clear();
    keep(u"1"_s, day8, u"12"_s, u"1,00"_s);
    for (int i = 0; i < 3; ++i) {
        pass_checks();
        take_post();
    }
    ASSERT_EQ(run([&] { result = exportar_vendas(context); }), u""_s);
    EXPECT_EQ(result.enviados, 3);
    EXPECT_EQ(result.pendentes, 0);
    EXPECT_EQ(transport.request(7) + "\r\n", again);
    EXPECT_TRUE(pedidos_pendentes(context).isEmpty());
}
