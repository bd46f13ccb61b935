#include "database.h"
#include "server/json_parse.h"
#include "server/json_value.h"
#include "server_calls.h"
#include "server_process.h"
#include "temp_folder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <zlib.h>
#include <zstd.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// The request body the client sends; an empty company or id leaves its pairs out, as the client does.
QByteArray request_body(const QByteArray& kind, const QByteArray& empresa, const QByteArray& id)
{
    QByteArray inner = "\"TABLE\":\"" + kind + '"';
    if (!empresa.isEmpty()) inner += ",\"EMPRESA\":\"" + empresa + '"';
    if (!empresa.isEmpty() || !id.isEmpty()) inner += ",\"CHAVE_VENDEDOR\":\"" + empresa + id + '"';
    if (!id.isEmpty() && kind == "CLIENTE") inner += ",\"VEN_ID\":\"" + id + '"';
    if (kind == "CLIENTE" || kind == "PRODUTO") inner += ",\"TIPO_DADOS\":\"LISTA\"";
    return "{\"_parameters\":[{\"REQUISICAO\":{" + inner + "}}]}";
}

// The pairs of a list reply must be named prefix0, prefix1, ... in this order.
void expect_numbered(const JsonValue& object, std::size_t count, const std::string& prefix)
{
    for (std::size_t i = 0; i < count; ++i)
        ASSERT_EQ(object.key_at(i), prefix + std::to_string(i));
}

QString qtext(const JsonValue& value)
{
    return QString::fromUtf8(value.text().data(), static_cast<qsizetype>(value.text().size()));
}

// A CNPJ "12.345.678/0001-95" or CPF "123.456.789-09" whose two check digits are right.
bool valid_tax_number(const QString& formatted)
{
    static const QRegularExpression cnpj(u"^\\d\\d\\.\\d{3}\\.\\d{3}/\\d{4}-\\d\\d$"_s);
    static const QRegularExpression cpf(u"^\\d{3}\\.\\d{3}\\.\\d{3}-\\d\\d$"_s);
    const bool is_cnpj = cnpj.match(formatted).hasMatch();
    if (!is_cnpj && !cpf.match(formatted).hasMatch()) return false;
    QString digits = formatted;
    digits.remove(QRegularExpression(u"\\D"_s));
    const auto check = [&](int length) {
        int sum = 0;
        for (int i = 0; i < length; ++i) {
            const int weight = is_cnpj ? (length - i <= 8 ? length - i + 1 : length - i - 7) : length + 1 - i;
            sum += digits[i].digitValue() * weight;
        }
        const int rest = sum % 11;
        return (rest < 2 ? 0 : 11 - rest) == digits[length].digitValue();
    };
    const int base = is_cnpj ? 12 : 9;
    return check(base) && check(base + 1);
}

// Money and quantities must convert under Brazilian settings, as the client's screens convert them.
bool brazilian_number(const JsonValue& value)
{
    bool ok = false;
    QLocale(QLocale::Portuguese, QLocale::Brazil).toDouble(qtext(value), &ok);
    return value.is_string() && ok && value.text().find('.') == std::string_view::npos;
}

const std::vector<std::string> client_keys{
    "COL_ID_CONTROLE", "COL_NOME",     "COL_FANTASIA",    "COL_CNPJ_CPF",      "COL_FONE1",
    "END_RUA",         "END_NUMERO",   "END_COMPLEMENTO", "END_BAIRRO",        "END_CIDADE",
    "END_ESTADO",      "END_CEP",      "CLI_PAGAMENTO",   "CLI_PARCELA1",      "CLI_PARCELA2",
    "CLI_PARCELA3",    "CLI_PARCELA4", "CLI_PARCELA5",    "CLI_PARCELA6",      "CLI_PARCELA7",
    "CLI_PARCELA8",    "TAB_ID",       "CLI_VLR_CREDITO", "CLI_LIMITE_CREDITO"};
const std::vector<std::string> product_keys{
    "PRO_ID",        "PRO_DESCRICAO", "PRO_VLR_VENDA", "PRO_VLR_CUSTO", "PRO_QTD_ESTOQUE",  "EMB_UNIDADE",
    "MAR_DESCRICAO", "GRU_DESCRICAO", "SUB_DESCRICAO", "PRO_IMAGEM",    "PRO_CONTROL_FLEX", "TABELA_ITEM"};
const std::vector<std::string> price_keys{"TAB_ID", "PRO_ID", "TAP_ID", "TAP_VLR_VENDA"};

// One demo server for the suite: seeding it once keeps the tests quick.
class ReferenceServer : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder_ = std::make_unique<TempFolder>();
        server_ = std::make_unique<ServerProcess>(QStringList{}, folder_->path(u"demo.db"_s));
        ASSERT_TRUE(server_->running());
    }
    static void TearDownTestSuite()
    {
        server_.reset();
        folder_.reset();
    }

    static HttpResult get(const QByteArray& body) { return call(server_->url(u"getDados_OnLine"_s), body); }

    static std::unique_ptr<TempFolder> folder_;
    static std::unique_ptr<ServerProcess> server_;
};
std::unique_ptr<TempFolder> ReferenceServer::folder_;
std::unique_ptr<ServerProcess> ReferenceServer::server_;

TEST_F(ReferenceServer, cliente_reply_lists_each_salespersons_own_clients_with_the_stored_key)
{
    QSet<qint64> seen;
    for (const auto& [id, key] : {std::pair{"1", "47261"}, std::pair{"2", "58314"}}) {
        SCOPED_TRACE(id);
        const HttpResult result = get(request_body("CLIENTE", "Teste", id));
        ASSERT_EQ(result.status, 200);
        const auto reply = reply_object(result);
        ASSERT_TRUE(reply);
        ASSERT_GT(reply->size(), 50u);
        const std::size_t count = reply->size() - 1;
        ASSERT_EQ(reply->key_at(count), "CHAVE_VENDEDOR");
        EXPECT_EQ(reply->at(count).text(), key);
        expect_numbered(*reply, count, "CLIENTE");

        for (std::size_t i = 0; i < count; ++i) {
            const JsonValue& client = reply->at(i);
            ASSERT_EQ(keys_of(client), client_keys) << i;
            for (std::size_t k = 0; k < client.size(); ++k) {
                const bool numeric = client.key_at(k) == "COL_ID_CONTROLE" || client.key_at(k) == "TAB_ID";
                EXPECT_TRUE(numeric ? client.at(k).is_number()
                                    : client.at(k).is_string() || client.at(k).is_null())
                    << client.key_at(k);
            }
            const qint64 cli_id = qtext(*client.find("COL_ID_CONTROLE")).toLongLong();
            EXPECT_FALSE(seen.contains(cli_id)) << "client " << cli_id << " listed twice";
            seen.insert(cli_id);
            EXPECT_TRUE(valid_tax_number(qtext(*client.find("COL_CNPJ_CPF"))))
                << qtext(*client.find("COL_CNPJ_CPF")).toStdString();
            const QString fantasia = qtext(*client.find("COL_FANTASIA"));
            EXPECT_EQ(fantasia, fantasia.toUpper());
            EXPECT_EQ(client.find("END_ESTADO")->text().size(), 2u);
            EXPECT_TRUE(brazilian_number(*client.find("CLI_VLR_CREDITO")));
            EXPECT_TRUE(brazilian_number(*client.find("CLI_LIMITE_CREDITO")));
        }
    }
}

TEST_F(ReferenceServer, produto_reply_lists_price_tables_and_products_with_their_prices)
{
    for (const auto& [id, key] : {std::pair{"1", "47261"}, std::pair{"2", "58314"}}) {
        SCOPED_TRACE(id);
        const auto reply = reply_object(get(request_body("PRODUTO", "Teste", id)));
        ASSERT_TRUE(reply);
        ASSERT_EQ(keys_of(*reply), (std::vector<std::string>{"TABELAS", "PRODUTOS", "CHAVE_VENDEDOR"}));
        EXPECT_EQ(reply->find("CHAVE_VENDEDOR")->text(), key);

        const JsonValue& tables = *reply->find("TABELAS");
        ASSERT_EQ(tables.size(), 3u);
        expect_numbered(tables, 3, "TABELAS");
        QSet<QString> table_ids;
        for (std::size_t t = 0; t < tables.size(); ++t) {
            ASSERT_EQ(keys_of(tables.at(t)), (std::vector<std::string>{"TAB_ID", "TAB_DESCRICAO"}));
            EXPECT_FALSE(tables.at(t).find("TAB_DESCRICAO")->text().empty());
            table_ids.insert(qtext(*tables.at(t).find("TAB_ID")));
        }
        EXPECT_EQ(table_ids.size(), 3);

        const JsonValue& products = *reply->find("PRODUTOS");
        ASSERT_GT(products.size(), 100u);
        expect_numbered(products, products.size(), "PRODUTOS");
        for (std::size_t p = 0; p < products.size(); ++p) {
            const JsonValue& product = products.at(p);
            ASSERT_EQ(keys_of(product), product_keys) << p;
            EXPECT_FALSE(product.find("PRO_DESCRICAO")->text().empty());
            EXPECT_TRUE(brazilian_number(*product.find("PRO_VLR_VENDA")));
            EXPECT_TRUE(brazilian_number(*product.find("PRO_VLR_CUSTO")));
            EXPECT_TRUE(brazilian_number(*product.find("PRO_QTD_ESTOQUE")));
            const auto flex = product.find("PRO_CONTROL_FLEX")->text();
            EXPECT_TRUE(flex == "S" || flex == "N") << flex;

            const JsonValue& prices = *product.find("TABELA_ITEM");
            ASSERT_TRUE(prices.is_array());
            ASSERT_GE(prices.size(), 1u) << "every product has a price in the standard table";
            for (std::size_t k = 0; k < prices.size(); ++k) {
                const JsonValue& price = prices.at(k);
                ASSERT_EQ(keys_of(price), price_keys);
                EXPECT_EQ(price.find("PRO_ID")->text(), product.find("PRO_ID")->text());
                EXPECT_TRUE(table_ids.contains(qtext(*price.find("TAB_ID"))));
                EXPECT_TRUE(brazilian_number(*price.find("TAP_VLR_VENDA")));
            }
        }
    }
}

TEST_F(ReferenceServer, unknown_salespeople_get_403_and_no_data)
{
    struct Case {
        const char* what;
        QByteArray empresa, id;
    } const cases[]{
        {"unknown id", "Teste", "9"},
        {"unknown company", "Outra", "1"},
        {"id only, no company", "", "1"},
        {"company only, no id", "Teste", ""},
        {"neither", "", ""},
        {"company in another case", "teste", "1"},
    };
    for (const Case& c : cases) {
        for (const QByteArray kind :
             {"CLIENTE", "PRODUTO", "HIST_FINANCEIRO", "HIST_VENDA", "BOLETO", "RELATORIO_FINANCEIRO",
              "RELATORIO_VENDA", "MIX_VENDA", "VALIDAR_ESTOQUE", "VALIDAR_FINANCEIRO", "VALIDAR_HORA_ENVIO",
              "NOVO_PEDIDO"}) {
            SCOPED_TRACE(std::string(c.what) + " " + kind.toStdString());
            const QString method = kind == "NOVO_PEDIDO" ? u"postDados_OnLine"_s : u"getDados_OnLine"_s;
            const HttpResult result = call(server_->url(method), request_body(kind, c.empresa, c.id));
            EXPECT_EQ(result.status, 403);
            EXPECT_TRUE(error_text(result).starts_with("Vendedor não cadastrado"))
                << result.body.toStdString();
            EXPECT_FALSE(result.body.contains("result"));
        }
    }
}

TEST_F(ReferenceServer, malformed_calls_get_an_error_reply)
{
    const QByteArray cliente = request_body("CLIENTE", "Teste", "1");
    struct Case {
        const char* what;
        QString method;
        QByteArray verb, body;
        int status;
        const char* error_contains;
    } const cases[]{
        {"unknown path", u"getDados"_s, "POST", cliente, 404, "/datasnap/rest/TModuleOnline/getDados"},
        {"GET on a method", u"getDados_OnLine"_s, "GET", {}, 405, "POST"},
        {"not JSON", u"getDados_OnLine"_s, "POST", "REQUISICAO=CLIENTE", 400, "JSON"},
        {"empty body", u"getDados_OnLine"_s, "POST", "", 400, "JSON"},
        {"trailing garbage", u"getDados_OnLine"_s, "POST", cliente + "}", 400, "JSON"},
        {"array body", u"getDados_OnLine"_s, "POST", "[" + cliente + "]", 400, "JSON"},
        {"no _parameters", u"getDados_OnLine"_s, "POST", R"({"REQUISICAO":{"TABLE":"CLIENTE"}})", 400,
         "_parameters"},
        {"empty _parameters", u"getDados_OnLine"_s, "POST", R"({"_parameters":[]})", 400, "_parameters"},
        {"_parameters not an object", u"getDados_OnLine"_s, "POST", R"({"_parameters":["CLIENTE"]})", 400,
         "_parameters"},
        {"no REQUISICAO", u"getDados_OnLine"_s, "POST", R"({"_parameters":[{"TABLE":"CLIENTE"}]})", 400,
         "REQUISICAO"},
        {"no TABLE", u"getDados_OnLine"_s, "POST",
         R"({"_parameters":[{"REQUISICAO":{"EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste1"}}]})", 400, "TABLE"},
        {"unknown kind", u"getDados_OnLine"_s, "POST", request_body("PEDIDOS", "Teste", "1"), 400, "PEDIDOS"},
        {"a get kind posted", u"postDados_OnLine"_s, "POST", cliente, 400, "getDados_OnLine"},
        {"an order through get", u"getDados_OnLine"_s, "POST", request_body("NOVO_PEDIDO", "Teste", "1"), 400,
         "postDados_OnLine"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const HttpResult result = call(server_->url(c.method), c.body, c.verb);
        EXPECT_EQ(result.status, c.status);
        EXPECT_TRUE(result.content_type.startsWith("application/json")) << result.content_type.toStdString();
        EXPECT_NE(error_text(result).find(c.error_contains), std::string::npos) << result.body.toStdString();
    }
}

TEST(ReferenceServerProcess, demo_data_is_the_same_in_every_new_database_and_kept_across_restarts)
{
    TempFolder folder;
    const auto download = [&](const QString& name) {
        ServerProcess server({}, folder.path(name));
        EXPECT_TRUE(server.running());
        return std::pair{call(server.url(u"getDados_OnLine"_s), request_body("CLIENTE", "Teste", "1")).body,
                         call(server.url(u"getDados_OnLine"_s), request_body("PRODUTO", "Teste", "1")).body};
    };
    const auto a = download(u"a.db"_s);
    ASSERT_TRUE(a.first.startsWith("{\"result\":[{\"CLIENTE0\""));
    EXPECT_TRUE(download(u"b.db"_s) == a);

    // A change made while the server is stopped is there when it starts again: it does not seed anew.
    {
        Database db(folder.path(u"a.db"_s).toStdString());
        db.exec("UPDATE cliente SET cli_razao = 'RAZAO MUDADA ENTRE DUAS PARTIDAS' WHERE emp_codigo = "
                "'Teste' AND "
                "cli_id = (SELECT MIN(cli_id) FROM cliente WHERE emp_codigo = 'Teste' AND ven_id = '1')");
    }
    const auto again = download(u"a.db"_s);
    EXPECT_TRUE(again.first.contains(R"("COL_NOME":"RAZAO MUDADA ENTRE DUAS PARTIDAS")"));
    EXPECT_TRUE(again.second == a.second);
}

TEST(ReferenceServerProcess, size_options_seed_a_catalogue_of_that_size_for_salesperson_one)
{
    TempFolder folder;
    const QString database = folder.path(u"sized.db"_s);
    const QStringList sizes{u"--clientes"_s, u"1200"_s, u"--produtos"_s, u"300"_s, u"--tabelas"_s, u"5"_s};
    {
        ServerProcess server(sizes, database);
        ASSERT_TRUE(server.running());
        const QString url = server.url(u"getDados_OnLine"_s);
        const auto clients = reply_object(call(url, request_body("CLIENTE", "Teste", "1")));
        ASSERT_TRUE(clients);
        EXPECT_EQ(clients->size(), 1201u);
        const auto none = reply_object(call(url, request_body("CLIENTE", "Teste", "2")));
        ASSERT_TRUE(none);
        EXPECT_EQ(keys_of(*none), std::vector<std::string>{"CHAVE_VENDEDOR"});
        EXPECT_EQ(none->at(0).text(), "58314");

        const auto catalogue = reply_object(call(url, request_body("PRODUTO", "Teste", "1")));
        ASSERT_TRUE(catalogue);
        EXPECT_EQ(catalogue->find("TABELAS")->size(), 5u);
        const JsonValue& products = *catalogue->find("PRODUTOS");
        ASSERT_EQ(products.size(), 300u);
        for (std::size_t p = 0; p < products.size(); ++p)
            ASSERT_EQ(products.at(p).find("TABELA_ITEM")->size(), 5u) << p;
        EXPECT_EQ(server.stop(), 0);
    }
    {
        SCOPED_TRACE("same sizes again: the database is used as it stands");
        ServerProcess server(sizes, database);
        ASSERT_TRUE(server.running());
        const auto clients =
            reply_object(call(server.url(u"getDados_OnLine"_s), request_body("CLIENTE", "Teste", "1")));
        ASSERT_TRUE(clients);
        EXPECT_EQ(clients->size(), 1201u);
    }
    {
        SCOPED_TRACE("other sizes on the same database are refused");
        ServerProcess server({u"--clientes"_s, u"10"_s}, database);
        EXPECT_FALSE(server.running());
        EXPECT_NE(server.stop(), 0);
    }
}

TEST(ReferenceServerProcess, stops_cleanly_on_sigterm_after_logging_each_request)
{
    TempFolder folder;
    const QString database = folder.path(u"demo.db"_s);
    ServerProcess server({}, database);
    ASSERT_TRUE(server.running());
    ASSERT_EQ(call(server.url(u"getDados_OnLine"_s), request_body("CLIENTE", "Teste", "2")).status, 200);
    ASSERT_EQ(call(server.url(u"getDados_OnLine"_s), request_body("CLIENTE", "Teste", "7")).status, 403);
    EXPECT_EQ(server.stop(), 0);

    // Each line: the time (UTC), the peer, the call, its status, size (and the compressed size) and time.
    const QString text = server.log();
    const QString line = u"(^|\\n)\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ 127\\.0\\.0\\.1:\\d+ "_s;
    EXPECT_TRUE(text.contains(QRegularExpression(
        line + u"POST getDados_OnLine CLIENTE Teste2 200 \\d+ bytes \\(zstd \\d+\\) \\d+ ms\\n"_s)))
        << text.toStdString();
    EXPECT_TRUE(text.contains(
        QRegularExpression(line + u"POST getDados_OnLine CLIENTE Teste7 403 \\d+ bytes \\d+ ms\\n"_s)))
        << text.toStdString();
}

namespace {

// A request with no Accept-Encoding at all, as an old client sends it: the reply's raw bytes.
QByteArray without_accept_encoding(const QString& url, const QByteArray& body)
{
    const QUrl target(url);
    QTcpSocket socket;
    socket.connectToHost(target.host(), static_cast<quint16>(target.port()));
    if (!socket.waitForConnected(10000)) return {};
    socket.write("POST " + target.path().toLatin1() + " HTTP/1.1\r\nHost: " + target.host().toLatin1() +
                 "\r\nContent-Type: application/json\r\nContent-Length: " + QByteArray::number(body.size()) +
                 "\r\nConnection: close\r\n\r\n" + body);
    QByteArray reply;
    while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(10000))
        reply += socket.readAll();
    return reply + socket.readAll();
}

// The body as the client reads it once it has undone the codec; empty when it does not decode.
QByteArray inflated(const QByteArray& body, const QByteArray& codec)
{
    if (codec.isEmpty()) return body;
    QByteArray out;
    if (codec == "zstd") {
        ZSTD_DStream* stream = ZSTD_createDStream();
        ZSTD_inBuffer in{body.constData(), static_cast<std::size_t>(body.size()), 0};
        char chunk[65536];
        std::size_t left = 1;
        while (in.pos < in.size || left != 0) {
            ZSTD_outBuffer buffer{chunk, sizeof chunk, 0};
            left = ZSTD_decompressStream(stream, &buffer, &in);
            if (ZSTD_isError(left) || (buffer.pos == 0 && in.pos == in.size && left != 0)) {
                out.clear();
                break;
            }
            out.append(chunk, static_cast<qsizetype>(buffer.pos));
        }
        ZSTD_freeDStream(stream);
        return out;
    }
    z_stream stream{};
    if (inflateInit2(&stream, 15 + 16) != Z_OK) return {};
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.constData()));
    stream.avail_in = static_cast<uInt>(body.size());
    char chunk[65536];
    int status = Z_OK;
    while (status == Z_OK) {
        stream.next_out = reinterpret_cast<Bytef*>(chunk);
        stream.avail_out = sizeof chunk;
        status = inflate(&stream, Z_NO_FLUSH);
        out.append(chunk, static_cast<qsizetype>(sizeof chunk - stream.avail_out));
    }
    inflateEnd(&stream);
    return status == Z_STREAM_END ? out : QByteArray();
}

} // namespace

// Large replies go compressed to a client that accepts it, and decode to the very bytes a client
// that accepts nothing gets as before (with their length, not in pieces); small ones, and every
// reply of a server started with --sem-compressao, go as they are.
TEST(ReferenceServerProcess, replies_go_compressed_where_accepted_and_decode_to_the_same_bytes)
{
    TempFolder folder;
    const QString database = folder.path(u"demo.db"_s);
    QByteArray plain;
    {
        // Some thousands of clients: a reply of several pieces, sent while it is written.
        ServerProcess server({u"--clientes"_s, u"3000"_s}, database);
        ASSERT_TRUE(server.running());
        const auto get = [&](const QByteArray& accept, const QByteArray& id = "1") {
            return call(server.url(u"getDados_OnLine"_s), request_body("CLIENTE", "Teste", id), "POST",
                        {{"Accept-Encoding", accept}});
        };
        const QByteArray raw =
            without_accept_encoding(server.url(u"getDados_OnLine"_s), request_body("CLIENTE", "Teste", "1"));
        const qsizetype head_end = raw.indexOf("\r\n\r\n");
        ASSERT_GT(head_end, 0) << raw.left(200).constData();
        const QByteArray head = raw.left(head_end).toLower();
        plain = raw.mid(head_end + 4);
        ASSERT_GT(plain.size(), 1000000);
        EXPECT_TRUE(head.startsWith("http/1.1 200"));
        EXPECT_TRUE(plain.startsWith(R"({"result":[{"CLIENTE0":)"));
        const QByteArray length = "\r\ncontent-length: " + QByteArray::number(plain.size());
        EXPECT_TRUE(head.contains(length));
        EXPECT_FALSE(head.contains("content-encoding"));
        EXPECT_FALSE(head.contains("chunked"));

        const struct {
            QByteArray accept, codec;
        } cases[] = {
            {"gzip", "gzip"},    {"zstd, br, gzip, deflate", "zstd"}, {"GZIP;q=0.5, zstd;q=0", "gzip"},
            {"deflate, br", ""}, {"gzip;q=0, zstd;q=0.0", ""},        {"identity", ""},
        };
        for (const auto& c : cases) {
            const HttpResult result = get(c.accept);
            EXPECT_EQ(result.status, 200) << c.accept.constData();
            EXPECT_EQ(header_of(result, "Content-Encoding"), c.codec) << c.accept.constData();
            if (!c.codec.isEmpty()) {
                EXPECT_LT(result.body.size(), plain.size() / 4) << c.accept.constData();
            }
            EXPECT_EQ(inflated(result.body, c.codec), plain) << c.accept.constData();
        }
        // Once compressed in the background, the client list goes whole, with its length, until the
        // salesperson's clients change: then the new list goes at once.
        const auto compressed_whole = [&](const QByteArray& codec, const QByteArray& expected) {
            HttpResult result;
            for (int i = 0; i < 600 && header_of(result, "Content-Length").isEmpty(); ++i) {
                if (i > 0) QThread::msleep(100);
                result = get(codec);
                ASSERT_EQ(inflated(result.body, codec), expected) << codec.constData();
            }
            EXPECT_FALSE(header_of(result, "Content-Length").isEmpty()) << codec.constData();
        };
        compressed_whole("zstd", plain);
        compressed_whole("gzip", plain);
        {
            Database db(database.toStdString());
            db.exec("UPDATE cliente SET cli_razao = 'RAZAO NOVA' WHERE emp_codigo = 'Teste' AND cli_id = "
                    "(SELECT MIN(cli_id) FROM cliente WHERE emp_codigo = 'Teste' AND ven_id = '1')");
        }
        QByteArray changed =
            without_accept_encoding(server.url(u"getDados_OnLine"_s), request_body("CLIENTE", "Teste", "1"));
        changed = changed.mid(changed.indexOf("\r\n\r\n") + 4);
        ASSERT_TRUE(changed.contains(R"("COL_NOME":"RAZAO NOVA")")) << changed.left(300).constData();
        EXPECT_EQ(inflated(get("zstd").body, "zstd"), changed);
        compressed_whole("zstd", changed);

        // The product list, the same for every salesperson, is written once per change of the
        // catalogue and compressed once in the background; its compressed forms, with each
        // salesperson's key after it, inflate to the same bytes, by this test and by Qt itself.
        const auto produtos = [&](const Headers& headers, const QByteArray& id = "1") {
            return call(server.url(u"getDados_OnLine"_s), request_body("PRODUTO", "Teste", id), "POST",
                        headers);
        };
        const QByteArray list = produtos({{"Accept-Encoding", "identity"}}).body;
        ASSERT_TRUE(list.startsWith(R"({"result":[{"TABELAS":)"));
        ASSERT_TRUE(list.endsWith(R"("CHAVE_VENDEDOR":"47261"}]})"));
        for (const QByteArray codec : {"zstd", "gzip"}) {
            // Sent in pieces until the compressed form is ready; then whole, with its length.
            HttpResult result;
            for (int i = 0; i < 600 && header_of(result, "Content-Length").isEmpty(); ++i) {
                if (i > 0) QThread::msleep(100);
                result = produtos({{"Accept-Encoding", codec}});
                EXPECT_EQ(inflated(result.body, codec), list) << codec.constData();
            }
            EXPECT_FALSE(header_of(result, "Content-Length").isEmpty()) << codec.constData();
        }
        EXPECT_EQ(produtos({}).body, list);
        const QByteArray other = produtos({{"Accept-Encoding", "identity"}}, "2").body;
        EXPECT_EQ(other.chopped(9), list.chopped(9));
        EXPECT_TRUE(other.endsWith(R"("CHAVE_VENDEDOR":"58314"}]})"));

        // A refusal is a few bytes: it goes as it is.
        const HttpResult refused = get("gzip", "7");
        EXPECT_EQ(refused.status, 403);
        EXPECT_EQ(header_of(refused, "Content-Encoding"), "");
        EXPECT_TRUE(refused.body.startsWith(R"({"error":)"));
        server.stop();
        EXPECT_TRUE(server.log().contains(
            QRegularExpression(u" 200 %1 bytes \\(gzip \\d+\\) \\d+ ms\\n"_s.arg(plain.size()))))
            << server.log().toStdString();
        // What the server below sends is the list as it was changed.
        plain = changed;
    }
    ServerProcess server({u"--sem-compressao"_s}, database);
    ASSERT_TRUE(server.running());
    const HttpResult result = call(server.url(u"getDados_OnLine"_s), request_body("CLIENTE", "Teste", "1"),
                                   "POST", {{"Accept-Encoding", "zstd, gzip"}});
    EXPECT_EQ(header_of(result, "Content-Encoding"), "");
    EXPECT_EQ(result.body, plain);
}

// A server prepares its catalogues compressed in the background before anyone asks: the first
// download of the morning goes whole, with its length, and inflates to the list.
TEST(ReferenceServerProcess, lists_are_compressed_ahead_of_the_first_download)
{
    ServerProcess server;
    ASSERT_TRUE(server.running());
    QElapsedTimer waited;
    waited.start();
    // The log is read as the events that bring it are processed.
    while (!server.log().contains(u"listas preparadas para o próximo download"_s) &&
           waited.elapsed() < 120000) {
        QCoreApplication::processEvents();
        QThread::msleep(20);
    }
    ASSERT_TRUE(server.log().contains(u"listas preparadas para o próximo download"_s))
        << server.log().toStdString();
    for (const QByteArray kind : {"CLIENTE", "PRODUTO"}) {
        const QByteArray body = request_body(kind, "Teste", "1");
        const HttpResult result =
            call(server.url(u"getDados_OnLine"_s), body, "POST", {{"Accept-Encoding", "zstd"}});
        EXPECT_FALSE(header_of(result, "Content-Length").isEmpty()) << kind.constData();
        const QByteArray raw = without_accept_encoding(server.url(u"getDados_OnLine"_s), body);
        EXPECT_EQ(inflated(result.body, "zstd"), raw.mid(raw.indexOf("\r\n\r\n") + 4)) << kind.constData();
    }
}

TEST(ReferenceServerProcess, command_line_is_checked)
{
    struct Case {
        QStringList arguments;
        int exit_code;
        const char* output_contains;
    } const cases[]{
        {{u"--help"_s}, 0, "--clientes"},
        {{u"--port"_s, u"http"_s}, 2, "--port"},
        {{u"--port"_s, u"70000"_s}, 2, "--port"},
        {{u"--tabelas"_s, u"-1"_s}, 2, "--tabelas"},
        {{u"--db"_s}, 2, "--db"},
        // Worded as the client words it.
        {{u"--verbose"_s}, 2, "opção desconhecida: verbose"},
        {{u"--version"_s}, 0, "pedidos-servidor " PV_VERSION},
        {{u"-v"_s}, 0, "pedidos-servidor " PV_VERSION},
        {{u"--help"_s}, 0, "--exigir-assinatura"},
        {{u"--tls-cert"_s, u"a.pem"_s}, 2, "--tls-key"},
        {{u"--tls-key"_s, u"a.key"_s}, 2, "--tls-cert"},
        // The replies carry the key that signs: over plain HTTP, only when told so.
        {{u"--exigir-assinatura"_s}, 2, "--permitir-http"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(qEnvironmentVariable("PV_SERVER_BIN"), c.arguments);
        ASSERT_TRUE(process.waitForFinished(30'000));
        EXPECT_EQ(process.exitCode(), c.exit_code);
        EXPECT_TRUE(process.readAll().contains(c.output_contains));
    }
}

TEST(ReferenceServerProcess, open_to_the_network_without_signatures_it_says_what_that_means)
{
    const QString warning = u"sem --exigir-assinatura, quem alcançar"_s;
    ServerProcess open({u"--host"_s, u"0.0.0.0"_s});
    ASSERT_TRUE(open.running()) << open.log().toStdString();
    EXPECT_TRUE(open.log().contains(warning)) << open.log().toStdString();
    ServerProcess local;
    ASSERT_TRUE(local.running());
    EXPECT_FALSE(local.log().contains(warning));
}

// A port it cannot take ends the server with the reason, before any database is made.
TEST(ReferenceServerProcess, a_port_it_cannot_listen_on_leaves_no_database)
{
    QTcpServer taken;
    ASSERT_TRUE(taken.listen(QHostAddress::LocalHost, 0));
    QTemporaryDir dir;
    const QString database = dir.filePath(u"pedidos.db"_s);
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(
        qEnvironmentVariable("PV_SERVER_BIN"),
        {u"--host"_s, u"127.0.0.1"_s, u"--port"_s, QString::number(taken.serverPort()), u"--db"_s, database});
    ASSERT_TRUE(process.waitForFinished(30'000));
    EXPECT_EQ(process.exitCode(), 1);
    const QByteArray said = process.readAll();
    EXPECT_TRUE(said.contains("não foi possível ouvir em 127.0.0.1 porta")) << said.toStdString();
    EXPECT_FALSE(QFileInfo::exists(database));
}

} // namespace
