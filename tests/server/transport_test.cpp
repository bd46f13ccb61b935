#include "closed_port.h"
#include "core/errors.h"
#include "modal.h"
#include "scripted_server.h"
#include "server/dm_client_module.h"
#include "server/json_parse.h"
#include "server/json_write.h"
#include "server/module_online_client.h"
#include "server/transport.h"

#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class Cancelling : public CallProgress {
public:
    void started(const QString& w, const QString& s) override { log << u"started "_s + w + u" "_s + s; }
    void received(qint64) override {}
    void finished() override { log << u"finished"_s; }
    bool cancelled() const override { return true; }
    QStringList log;
};

JsonValue small_request()
{
    JsonValue inner = JsonValue::object();
    inner.insert("TABLE", JsonValue::string("CLIENTE"));
    inner.insert("EMPRESA", JsonValue::string("Jo\xc3\xa3o/SA"));
    JsonValue r = JsonValue::object();
    r.insert("REQUISICAO", std::move(inner));
    return r;
}

struct Call {
    HttpTransport transport;
    TdmClientModule module{transport};
    TModuleOnlineClient proxy{module};
    explicit Call(const QString& ip) { module.open(ip); }
};

QString failure_of(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Error& e) {
        return e.message();
    }
    return u"(no error)"_s;
}

} // namespace

TEST(Transport, ip_setting_forms_give_the_server_address)
{
    struct Case {
        QString ip;
        QString url;
    } cases[] = {
        {u"10.0.0.5"_s, u"http://10.0.0.5:211"_s},
        {u"  servidor.empresa.com.br  "_s, u"http://servidor.empresa.com.br:211"_s},
        {u"10.0.0.5:8211"_s, u"http://10.0.0.5:8211"_s},
        {u"[fd00::5]"_s, u"http://[fd00::5]:211"_s},
        {u"[fd00::5]:8211"_s, u"http://[fd00::5]:8211"_s},
        {u"https://servidor.empresa.com.br"_s, u"https://servidor.empresa.com.br"_s},
        {u"https://host:8443"_s, u"https://host:8443"_s},
    };
    for (const Case& c : cases)
        EXPECT_EQ(server_base_url(c.ip).toString(), c.url) << c.ip.toStdString();

    for (const QString& bad :
         {u""_s, u"   "_s, u"host:porta"_s, u"fd00::5"_s, u"[fd00::5"_s, u"host:70000"_s})
        EXPECT_THROW(server_base_url(bad), ServerError) << bad.toStdString();
    EXPECT_TRUE(failure_of([] { server_base_url(u""_s); }).startsWith(u"Servidor não configurado"_s));
}

TEST(Transport, a_call_is_one_exact_http_request_and_returns_the_result_object)
{
    ScriptedServer server;
    server.answer(ScriptedServer::http(200, R"({"result":[{"CHAVE_VENDEDOR":"1","N":12.50}]})"));
    Call call(server.address());
    const JsonValue reply = call.proxy.getDados_OnLine(small_request(), u"clientes"_s);
    ASSERT_EQ(server.requests.size(), 1);
    const QByteArray& req = server.requests.first();
    EXPECT_TRUE(req.startsWith("POST /datasnap/rest/TModuleOnline/getDados_OnLine HTTP/1.1\r\n"));
    EXPECT_TRUE(req.contains("\r\nContent-Type: application/json\r\n"));
    EXPECT_TRUE(req.contains("\r\nAccept: application/json\r\n"));
    EXPECT_TRUE(req.endsWith("\r\n\r\n{\"_parameters\":[{\"REQUISICAO\":{\"TABLE\":\"CLIENTE\",\"EMPRESA\":"
                             "\"Jo\\u00E3o\\/SA\"}}]}"));
    ASSERT_TRUE(reply.is_object());
    EXPECT_EQ(reply.find("N")->text(), "12.50");

    server.answer(ScriptedServer::http(200, R"({"result":[]})"));
    EXPECT_NO_THROW(call.proxy.postDados_OnLine(small_request(), u"pedido"_s));
    EXPECT_TRUE(
        server.requests.last().startsWith("POST /datasnap/rest/TModuleOnline/postDados_OnLine HTTP/1.1\r\n"));
}

// Calls one after the other share a connection the server keeps open, and open a new one when the
// server closed it after its reply (without saying so) or when it has been idle too long.
TEST(Transport, calls_in_a_row_share_a_connection_the_server_keeps)
{
    // A connection that is kept gets its scripted answer again for each request it carries.
    const auto kept = [](const QByteArray& body, bool close_after) {
        return ScriptedServer::Answer{"HTTP/1.1 200 X\r\nSet-Cookie: sessao=1\r\nContent-Length: " +
                                          QByteArray::number(body.size()) + "\r\n\r\n" + body,
                                      close_after, false, 0};
    };
    ScriptedServer server;
    server.answer(kept(R"({"result":[{"N":1}]})", false));
    server.answer(kept(R"({"result":[{"N":2}]})", true));
    server.answer(kept(R"({"result":[{"N":3}]})", false));
    server.answer(kept(R"({"result":[{"N":4}]})", false));
    Call call(server.address());
    const auto n = [&] { return to_json(call.proxy.getDados_OnLine(small_request(), u"clientes"_s)); };
    EXPECT_EQ(n(), R"({"N":1})");
    EXPECT_EQ(n(), R"({"N":1})");
    const auto idle_too_long = [&] {
        call.transport.reuse_within = std::chrono::milliseconds(0);
        const std::string got = n();
        call.transport.reuse_within = std::chrono::milliseconds(4000);
        return got;
    };
    EXPECT_EQ(idle_too_long(), R"({"N":2})");
    EXPECT_EQ(n(), R"({"N":3})");
    EXPECT_EQ(n(), R"({"N":3})");
    EXPECT_EQ(idle_too_long(), R"({"N":4})");
    EXPECT_EQ(server.requests.size(), 6);
    // A cookie the server set is not sent back: every request has the form it always had.
    for (const QByteArray& request : server.requests)
        EXPECT_FALSE(request.toLower().contains("\r\ncookie:")) << request.constData();
}

// A load parses its replies with one parser: a reply must not depend on its memory afterwards, nor
// a shorter reply see what a longer one left there.
TEST(Transport, one_parser_reads_successive_replies)
{
    ScriptedServer server;
    server.answer(ScriptedServer::http(200, R"({"result":[{"A":")" + QByteArray(100000, 'a') + R"("}]})"));
    server.answer(ScriptedServer::http(200, R"({"result":[{"B":1}]})"));
    server.answer(ScriptedServer::http(200, R"({"result":[{"C":2}]} {)"));
    Call call(server.address());
    JsonParser parser;
    const JsonValue first = call.proxy.getDados_OnLine(small_request(), u"clientes"_s, parser);
    const JsonValue second = call.proxy.getDados_OnLine(small_request(), u"produtos"_s, parser);
    EXPECT_EQ(to_json(second), R"({"B":1})");
    EXPECT_EQ(first.find("A")->text(), std::string(100000, 'a'));
    EXPECT_TRUE(failure_of([&] {
                    call.proxy.getDados_OnLine(small_request(), u"mix"_s, parser);
                }).contains(u"o conteúdo não é JSON"_s));
}

TEST(Transport, bad_replies_raise_errors_that_say_what_was_wrong)
{
    struct Case {
        ScriptedServer::Answer answer;
        QString expected; // part of the message
    } cases[] = {
        {ScriptedServer::http(500, R"({"error":"Banco de dados fora do ar"})"),
         u"Banco de dados fora do ar"_s},
        {ScriptedServer::http(404, "not found"), u"HTTP 404"_s},
        {ScriptedServer::http(200, "<html>oi</html>"), u"não é JSON"_s},
        {ScriptedServer::http(200, ""), u"resposta vazia"_s},
        {ScriptedServer::http(200, R"({"result":{}})"), u"\"result\""_s},
        {ScriptedServer::http(200, R"({"result":[1]})"), u"não é um objeto"_s},
        {ScriptedServer::http(200, R"({"result":[{"A":1}]} lixo)"), u"não é JSON"_s},
        // Promises 500 bytes, sends a few and closes.
        {{"HTTP/1.1 200 OK\r\nContent-Length: 500\r\n\r\n{\"result\":[", true, false}, u"encerrada"_s},
        // Not HTTP at all: the reply counts as cut short.
        {{"garbage\r\n\r\n", true, false}, u"encerrada pelo servidor antes do fim da resposta"_s},
    };
    for (Case& c : cases) {
        ScriptedServer server;
        server.answer(c.answer);
        Call call(server.address());
        const QString message =
            failure_of([&] { call.proxy.getDados_OnLine(small_request(), u"clientes"_s); });
        EXPECT_TRUE(message.contains(c.expected)) << message.toStdString();
        EXPECT_TRUE(message.contains(server.address())) << message.toStdString();
    }
}

TEST(Transport, server_down_stalled_or_cancelled_fails_naming_the_server)
{
    {
        const ClosedPort closed;
        Call call(closed.address());
        const QString message =
            failure_of([&] { call.proxy.getDados_OnLine(small_request(), u"clientes"_s); });
        EXPECT_TRUE(message.contains(u"conexão recusada"_s)) << message.toStdString();
        EXPECT_TRUE(message.contains(closed.address())) << message.toStdString();
    }
    // A server that says nothing, and one that stops half-way through its reply.
    for (const ScriptedServer::Answer& stall :
         {ScriptedServer::Answer{{}, false, true},
          ScriptedServer::Answer{"HTTP/1.1 200 OK\r\nContent-Length: 500\r\n\r\n{\"result\":[", false,
                                 false}}) {
        ScriptedServer server;
        server.answer(stall);
        Call call(server.address());
        call.transport.idle_timeout = std::chrono::milliseconds(300);
        const QString message =
            failure_of([&] { call.proxy.getDados_OnLine(small_request(), u"clientes"_s); });
        EXPECT_TRUE(message.contains(u"nenhum dado recebido em 0.3 segundos"_s)) << message.toStdString();
        EXPECT_TRUE(message.contains(server.address())) << message.toStdString();
    }
    {
        ScriptedServer server;
        server.answer({{}, false, true});
        Cancelling progress;
        Call call(server.address());
        call.transport.set_progress(&progress);
        const QString message =
            failure_of([&] { call.proxy.getDados_OnLine(small_request(), u"clientes"_s); });
        EXPECT_TRUE(message.contains(u"cancelada"_s)) << message.toStdString();
        EXPECT_TRUE(message.contains(server.address())) << message.toStdString();
        EXPECT_EQ(progress.log, (QStringList{u"started clientes "_s + server.address(), u"finished"_s}));
    }
}

// Qt Network sends a request again when the connection closes before any byte of the reply; an
// order must never reach the server twice without the salesperson deciding it.
TEST(Transport, a_request_is_never_sent_twice_on_the_clients_own)
{
    ScriptedServer server;
    server.answer({{}, true, false});
    server.answer(ScriptedServer::http(200, R"({"result":[]})"));
    Call call(server.address());
    const QString message = failure_of([&] { call.proxy.postDados_OnLine(small_request(), u"pedido"_s); });
    EXPECT_TRUE(message.contains(u"encerrada"_s)) << message.toStdString();
    drain_events();
    EXPECT_EQ(server.requests.size(), 1);
}

TEST(Transport, a_reply_past_the_size_limit_is_refused_while_it_arrives)
{
    ScriptedServer server;
    server.answer(ScriptedServer::http(200, R"({"result":[{"A":")" + QByteArray(20000, 'a') + R"("}]})"));
    Call call(server.address());
    call.transport.max_reply_bytes = 10000;
    const QString message = failure_of([&] { call.proxy.getDados_OnLine(small_request(), u"clientes"_s); });
    EXPECT_TRUE(message.contains(u"maior tamanho aceito"_s)) << message.toStdString();
}

TEST(Transport, a_reply_beyond_the_parsers_limits_names_the_server)
{
    ScriptedServer server;
    server.answer(ScriptedServer::http(200, R"({"result":[{"A":[1,2,3,4,5,6,7,8,9,10,11,12]}]})"));
    Call call(server.address());
    JsonParser small(10);
    const QString message =
        failure_of([&] { call.proxy.getDados_OnLine(small_request(), u"clientes"_s, small); });
    EXPECT_TRUE(message.startsWith(u"Resposta inválida do servidor "_s + server.address()))
        << message.toStdString();
}

namespace {

// body as HTTP's "deflate" coding (a zlib stream): qCompress's form without its length prefix.
QByteArray deflated(const QByteArray& body)
{
    return qCompress(body, 9).mid(4);
}

ScriptedServer::Answer compressed_answer(const QByteArray& body)
{
    return {
        "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Encoding: deflate\r\nContent-Length: " +
        QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body};
}

class Counting : public CallProgress {
public:
    void started(const QString&, const QString&) override {}
    void received(qint64 bytes) override { last = bytes; }
    void finished() override {}
    bool cancelled() const override { return false; }
    qint64 last = 0;
};

} // namespace

// Compressed replies (here HTTP's "deflate") are read inflated: the size limit and the byte count
// hold for the inflated reply, whatever its ratio; one that inflates past the limit is refused.
TEST(Transport, a_compressed_reply_is_read_inflated_and_refused_once_it_inflates_past_the_limit)
{
    const QByteArray big = R"({"result":[{"A":")" + QByteArray(12 << 20, 'a') + R"("}]})";
    const struct {
        const char* what;
        QByteArray wire;
        qint64 limit;
        QString failure; // empty: the reply loads
    } cases[] = {
        // 12 MiB from a few KiB: a ratio no catalogue reaches, still within the limit.
        {"far more than 40 to 1", deflated(big), 64 << 20, {}},
        {"inflates past the limit", deflated(big), 1 << 20,
         u"a resposta passa de 1,00 MiB, o maior tamanho aceito"_s},
        {"does not inflate", QByteArray(3000, 'x'), 64 << 20, u"a resposta comprimida chegou danificada"_s},
        {"cut short", deflated(big).left(3000), 64 << 20, u"o conteúdo não é JSON"_s},
    };
    for (const auto& c : cases) {
        ScriptedServer server;
        server.answer(compressed_answer(c.wire));
        Counting counting;
        HttpTransport transport(&counting);
        transport.max_reply_bytes = c.limit;
        TdmClientModule module{transport};
        TModuleOnlineClient proxy{module};
        module.open(server.address());
        std::optional<JsonValue> reply;
        const QString message =
            failure_of([&] { reply = proxy.getDados_OnLine(small_request(), u"clientes"_s); });
        if (c.failure.isEmpty()) {
            ASSERT_TRUE(reply) << c.what << ": " << message.toStdString();
            EXPECT_EQ(reply->find("A")->text().size(), std::size_t{12} << 20) << c.what;
            // The busy dialog counts what the reply became.
            EXPECT_EQ(counting.last, big.size()) << c.what;
        } else {
            EXPECT_TRUE(message.contains(c.failure)) << c.what << ": " << message.toStdString();
            EXPECT_LE(counting.last, c.limit) << c.what;
        }
    }
}
