#include "catalogue/client_download.h"
#include "catalogue_fixture.h"
#include "store/record_reader.h"

using namespace Qt::StringLiterals;

namespace {

const QByteArray kTwoClients =
    R"({"CLIENTE0":{"COL_ID_CONTROLE":7,"COL_NOME":"Padaria S\u00e3o Jo\u00e3o Ltda","COL_FANTASIA":"PADARIA SAO JOAO",)"
    R"("END_ESTADO":"Paraiba","CLI_PARCELA1":"30","TAB_ID":2,"CLI_VLR_CREDITO":1500.50,"CLI_LIMITE_CREDITO":null},)"
    R"("CHAVE_VENDEDOR":"47261","CLIENTE1":{"COL_ID_CONTROLE":"42","COL_NOME":"NULL","CLI_PAGAMENTO":"BOLETO"}})";

} // namespace

TEST_F(CatalogueTest, start_up_load_caches_the_reply_and_appends_every_client)
{
    reply(kTwoClients);
    ASSERT_EQ(run([&] { importar_clientes(context, dados.tblCliente); }), u""_s);
    EXPECT_EQ(
        transport.request(0),
        R"({"REQUISICAO":{"TABLE":"CLIENTE","EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste1","VEN_ID":"1","TIPO_DADOS":"LISTA"}})");
    EXPECT_EQ(
        dir.read(u"clientes.json"_s),
        R"({"CLIENTE0":{"COL_ID_CONTROLE":7,"COL_NOME":"Padaria S\u00E3o Jo\u00E3o Ltda","COL_FANTASIA":"PADARIA SAO JOAO",)"
        R"("END_ESTADO":"Paraiba","CLI_PARCELA1":"30","TAB_ID":2,"CLI_VLR_CREDITO":1500.50,"CLI_LIMITE_CREDITO":null},)"
        R"("CHAVE_VENDEDOR":"47261","CLIENTE1":{"COL_ID_CONTROLE":"42","COL_NOME":"NULL","CLI_PAGAMENTO":"BOLETO"}})"
        "\r\n");
    Table& t = dados.tblCliente;
    ASSERT_EQ(t.record_count(), 2);
    // A grid opened on the list starts on its first row, not on the last one appended.
    EXPECT_EQ(t.current_visible(), 0);
    t.first();
    EXPECT_EQ(t.as_integer(u"cli_id"), 7);
    EXPECT_EQ(t.as_text(u"cli_razao"), u"Padaria São João Ltda"_s);
    EXPECT_EQ(t.as_text(u"cli_end_estado"), u"Parai"_s);
    EXPECT_EQ(t.as_integer(u"cli_parcela1"), 30);
    EXPECT_EQ(t.as_integer(u"tab_id"), 2);
    EXPECT_EQ(t.as_text(u"cli_vlr_credito"), u"1500.50"_s);
    EXPECT_EQ(t.as_text(u"cli_limite_credito"), u"0"_s);
    t.next();
    EXPECT_EQ(t.as_integer(u"cli_id"), 42);
    EXPECT_EQ(t.as_text(u"cli_razao"), u"NULL"_s);
    EXPECT_EQ(t.as_text(u"cli_fantasia"), u""_s);
    EXPECT_EQ(t.as_text(u"cli_vlr_credito"), u"0"_s);
}

// The first pair of a name counts, wherever the server puts it.
TEST_F(CatalogueTest, clients_are_read_whatever_the_order_of_members_and_keys)
{
    reply(R"({"CLIENTE1":{"COL_NOME":"Segundo","TAB_ID":5,"COL_ID_CONTROLE":2,"COL_NOME":"Outro"},)"
          R"("CHAVE_VENDEDOR":"47261","CLIENTE0":{"CLI_PARCELA1":"007","COL_ID_CONTROLE":1}})");
    ASSERT_EQ(run([&] { importar_clientes(context, dados.tblCliente); }), u""_s);
    Table& t = dados.tblCliente;
    EXPECT_EQ(column(t, "cli_id"), (QStringList{u"1"_s, u"2"_s}));
    EXPECT_EQ(column(t, "cli_razao"), (QStringList{u""_s, u"Segundo"_s}));
    EXPECT_EQ(column(t, "tab_id"), (QStringList{u"0"_s, u"5"_s}));
    EXPECT_EQ(column(t, "cli_parcela1"), (QStringList{u"7"_s, u"0"_s}));

    t.empty();
    reply(
        R"({"CLIENTE0":{"COL_ID_CONTROLE":1},"CLIENTE0":{"COL_ID_CONTROLE":9},"CLIENTE1":{"COL_ID_CONTROLE":2},)"
        R"("CHAVE_VENDEDOR":"47261"})");
    EXPECT_TRUE(run([&] { importar_clientes(context, dados.tblCliente); }).contains(u"\"CLIENTE2\""_s));
    EXPECT_EQ(column(t, "cli_id"), (QStringList{u"1"_s, u"2"_s}));
}

// Short whole numbers are read without the table's conversion; the outcome must be the table's.
TEST_F(CatalogueTest, integer_fields_take_text_as_the_table_converts_it)
{
    Table& t = dados.tblCliente;
    const int field = t.field_index(u"cli_id");
    const auto outcome = [&](std::string_view text, bool direct) {
        t.append();
        QString result = run([&] { direct ? write_field(t, field, true, text) : t.set_text(field, text); });
        if (result.isEmpty()) result = t.is_null(field) ? u"null"_s : QString::number(t.as_integer(field));
        t.cancel();
        return result;
    };
    for (const char* text :
         {"0", "007", "-0", "-12", "123456789", "-123456789", "1234567890", "2147483648", "-2147483649",
          "99999999999", " 5", "5 ", "+5", "1.5", "12a", "", "-", "--1", "1-"})
        EXPECT_EQ(outcome(text, true), outcome(text, false)) << text;
    EXPECT_EQ(outcome("007", true), u"7"_s);
    EXPECT_EQ(outcome("-123456789", true), u"-123456789"_s);
    EXPECT_EQ(outcome("", true), u"null"_s);
}

TEST_F(CatalogueTest, refresh_updates_found_clients_even_when_a_search_hides_them)
{
    reply(kTwoClients);
    ASSERT_EQ(run([&] { importar_clientes(context, dados.tblCliente); }), u""_s);
    Table& t = dados.tblCliente;
    t.set_filter(u"cli_id = 42"_s);
    t.set_filtered(true);
    reply(
        R"({"CLIENTE0":{"COL_ID_CONTROLE":7,"COL_NOME":"Renomeada"},"CLIENTE1":{"COL_ID_CONTROLE":8},"CHAVE_VENDEDOR":"47261"})");
    ASSERT_EQ(run([&] {
                  ASSERT_TRUE(baixar_clientes(context));
                  carregar_clientes(context, t);
              }),
              u""_s);
    EXPECT_EQ(t.record_count(), 1);
    t.set_filtered(false);
    EXPECT_EQ(column(t, "cli_id"), (QStringList{u"7"_s, u"42"_s, u"8"_s}));
    EXPECT_EQ(column(t, "cli_razao"), (QStringList{u"Renomeada"_s, u"NULL"_s, u""_s}));
}

TEST_F(CatalogueTest, malformed_client_replies_stop_with_a_message_and_keep_earlier_rows)
{
    struct Case {
        QByteArray reply;
        QString message;
        int rows;
    } cases[] = {
        {R"({"CLIENTE0":{"COL_ID_CONTROLE":1},"CLIENTE2":{"COL_ID_CONTROLE":3},"CHAVE_VENDEDOR":"47261"})",
         u"\"CLIENTE1\" não foi encontrado"_s, 1},
        {R"({"CLIENTE0":{"COL_ID_CONTROLE":1},"EXTRA":1,"CHAVE_VENDEDOR":"47261"})", u"\"CLIENTE1\""_s, 1},
        {R"({"CLIENTE0":{"COL_ID_CONTROLE":1},"CLIENTE1":[],"CHAVE_VENDEDOR":"47261"})", u"não é um objeto"_s,
         1},
        {R"({"CLIENTE0":{"COL_ID_CONTROLE":1},"CLIENTE1":{"COL_ID_CONTROLE":"12a"},"CHAVE_VENDEDOR":"47261"})",
         u"12a"_s, 1},
        {R"({"CLIENTE0":{"COL_ID_CONTROLE":1.5},"CHAVE_VENDEDOR":"47261"})", u"1.5"_s, 0},
    };
    for (const Case& c : cases) {
        dados.tblCliente.empty();
        reply(c.reply);
        const QString message = run([&] { importar_clientes(context, dados.tblCliente); });
        EXPECT_TRUE(message.contains(c.message)) << message.toStdString();
        EXPECT_EQ(dados.tblCliente.record_count(), c.rows) << c.reply.toStdString();
        EXPECT_EQ(dados.tblCliente.state(), Table::State::Browse);
    }
}

TEST_F(CatalogueTest, a_refused_or_keyless_reply_is_neither_cached_nor_loaded)
{
    dir.write(u"clientes.json"_s, "{\"CHAVE_VENDEDOR\":\"47261\"}\r\n");
    reply(R"({"CLIENTE0":{"COL_ID_CONTROLE":1},"CHAVE_VENDEDOR":"47261 "})");
    EXPECT_EQ(run([&] { importar_clientes(context, dados.tblCliente); }), u""_s);
    EXPECT_EQ(messages.said, QStringList{u"error: CHAVE DO VENDEDOR NÃO INFORMADA OU INCORRETA!"_s});
    EXPECT_FALSE(dir.exists(u"clientes.json"_s));
    EXPECT_EQ(dados.tblCliente.record_count(), 0);

    reply(R"({"CLIENTE0":{"COL_ID_CONTROLE":1}})");
    EXPECT_TRUE(run([&] { importar_clientes(context, dados.tblCliente); }).contains(u"CHAVE_VENDEDOR"_s));
    EXPECT_FALSE(dir.exists(u"clientes.json"_s));
    EXPECT_EQ(dados.tblCliente.record_count(), 0);
}
