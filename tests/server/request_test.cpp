#include "core/errors.h"
#include "recording_messages.h"
#include "server/connection.h"
#include "server/json_write.h"
#include "server/request.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

JsonValue object_with(const char* key, const char* value)
{
    JsonValue o = JsonValue::object();
    o.insert(key, JsonValue::string(value));
    return o;
}

} // namespace

TEST(Request, envelopes_are_exact)
{
    const Identity fresh{u"Teste"_s, u"0"_s, {}};
    const Identity none{u""_s, u""_s, {}};
    const Identity no_id{u"Teste"_s, u""_s, {}};
    const Identity accents{u"São/Paulo \"SA\""_s, u"7"_s, {}};
    JsonValue itens = JsonValue::array();
    itens.push_back(object_with("PRO_ID", "5"));
    struct Case {
        JsonValue request;
        std::string expected;
    } cases[] = {
        {requests::cliente(fresh),
         R"({"REQUISICAO":{"TABLE":"CLIENTE","EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste0","VEN_ID":"0","TIPO_DADOS":"LISTA"}})"},
        {requests::cliente(none), R"({"REQUISICAO":{"TABLE":"CLIENTE","TIPO_DADOS":"LISTA"}})"},
        {requests::cliente(no_id),
         R"({"REQUISICAO":{"TABLE":"CLIENTE","EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste","TIPO_DADOS":"LISTA"}})"},
        {requests::produto(accents),
         R"({"REQUISICAO":{"TABLE":"PRODUTO","EMPRESA":"S\u00E3o\/Paulo \"SA\"","CHAVE_VENDEDOR":"S\u00E3o\/Paulo \"SA\"7","TIPO_DADOS":"LISTA"}})"},
        {requests::hist_financeiro(fresh, u"42"_s, u"A'B"_s),
         R"({"REQUISICAO":{"TABLE":"HIST_FINANCEIRO","EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste0","CLI_ID":"42","FILTRO":"A'B"}})"},
        {requests::hist_venda(fresh, u""_s),
         R"({"REQUISICAO":{"TABLE":"HIST_VENDA","EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste0","QTD_DIAS":"180"}})"},
        {requests::boleto(fresh, u"9"_s, u"PDF"_s),
         R"({"REQUISICAO":{"TABLE":"BOLETO","EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste0","CRE_ID":"9","TIPO_DOCUMENTO":"PDF","DIRETORIO":"c:\\inetpub\\wwwroot\\Teste"}})"},
        {requests::relatorio_financeiro(fresh, u"NULL"_s, u"01/01/2000"_s, u"12/31/2026"_s),
         R"({"REQUISICAO":{"TABLE":"RELATORIO_FINANCEIRO","EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste0","CLI_ID":"NULL","VEN_ID":"0","STATUS":"PENDENTE","DTA_INICIO":"01\/01\/2000","DTA_FINAL":"12\/31\/2026","DIRETORIO":"c:\\inetpub\\wwwroot\\Teste"}})"},
        {requests::relatorio_venda(fresh, u"42"_s),
         R"({"REQUISICAO":{"TABLE":"RELATORIO_VENDA","EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste0","CLI_ID":"42","VEN_ID":"0","PRO_ID":"NULL","DTA_INICIO":"NULL","DTA_FINAL":"NULL","TIPO":"NULL","DIRETORIO":"c:\\inetpub\\wwwroot\\Teste"}})"},
        {requests::mix_venda(fresh, u"42"_s),
         R"({"REQUISICAO":{"TABLE":"MIX_VENDA","EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste0","QTD_DIAS":"1","CLI_ID":"42"}})"},
        {requests::validar_estoque(fresh, std::move(itens)),
         R"({"REQUISICAO":{"TABLE":"VALIDAR_ESTOQUE","EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste0"},"ITENS_VENDA":[{"PRO_ID":"5"}]})"},
        {requests::validar_financeiro(fresh, u"42"_s),
         R"({"REQUISICAO":{"TABLE":"VALIDAR_FINANCEIRO","EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste0","CLI_ID":"42"}})"},
        {requests::validar_hora_envio(fresh),
         R"({"REQUISICAO":{"TABLE":"VALIDAR_HORA_ENVIO","EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste0"}})"},
        {requests::novo_pedido(fresh, object_with("VEN_ID", "10000")),
         R"({"REQUISICAO":{"TABLE":"NOVO_PEDIDO","EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste0"},"VENDA0":{"VEN_ID":"10000"}})"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(to_json(c.request), c.expected);
}

TEST(KeyCheck, only_an_exact_key_passes_and_a_mismatch_wipes_the_catalogue_cache)
{
    struct Case {
        QString configured;
        std::string reply;
        bool accepted;
    } cases[] = {
        {u"47261"_s, "47261", true},   {u""_s, "", true},       {u"abc"_s, "ABC", false},
        {u"47261"_s, "47261 ", false}, {u"47261"_s, "", false}, {u"Chave"_s, "Chave\n", false},
    };
    for (const Case& c : cases) {
        TempFolder dir;
        RecordingMessages messages;
        const Context context = make_context(dir, &messages);
        const QStringList files{u"produtos.json"_s,   u"tabelas.json"_s,         u"clientes.json"_s,
                                u"mix.json"_s,        u"hist_financerio.json"_s, u"hist_venda.json"_s,
                                u"financeiro.json"_s, u"histvendas.json"_s,      u"config.ini"_s,
                                u"ts.txt"_s};
        for (const QString& f : files)
            dir.write(f, "{}\r\n");
        EXPECT_EQ(validar_chave(context, c.configured, c.reply), c.accepted) << c.reply;
        if (c.accepted) {
            EXPECT_TRUE(messages.said.isEmpty());
            EXPECT_TRUE(dir.exists(u"clientes.json"_s));
            continue;
        }
        EXPECT_EQ(messages.said, QStringList{u"error: CHAVE DO VENDEDOR NÃO INFORMADA OU INCORRETA!"_s});
        for (const QString& f : files.mid(0, 6))
            EXPECT_FALSE(dir.exists(f)) << f.toStdString();
        for (const QString& f : files.mid(6))
            EXPECT_TRUE(dir.exists(f)) << f.toStdString();
    }
}

TEST(KeyCheck, reply_without_key_is_refused_without_touching_the_cache)
{
    TempFolder dir;
    RecordingMessages messages;
    const Context context = make_context(dir, &messages);
    dir.write(u"clientes.json"_s, "{}\r\n");
    JsonValue reply = object_with("CLIENTE0", "x");
    EXPECT_THROW(reply_key_is_valid(context, u"1"_s, reply), ProtocolError);
    reply.insert("CHAVE_VENDEDOR", JsonValue());
    EXPECT_THROW(reply_key_is_valid(context, u"1"_s, reply), ProtocolError);
    EXPECT_TRUE(messages.said.isEmpty());
    EXPECT_TRUE(dir.exists(u"clientes.json"_s));
    EXPECT_TRUE(reply_key_is_valid(context, u"1"_s, object_with("CHAVE_VENDEDOR", "1")));
}
