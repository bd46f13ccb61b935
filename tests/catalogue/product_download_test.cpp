#include "catalogue/client_download.h"
#include "catalogue/product_download.h"
#include "catalogue_fixture.h"
#include "server/json_parse.h"
#include "test_file.h"

using namespace Qt::StringLiterals;

namespace {

// Price tables, products and table prices whose ids come as a number, "NULL", null or not at all.
QByteArray produtos()
{
    return test_file(u"catalogue/replies/produtos.json"_s);
}

JsonValue parsed(const char* text)
{
    return *parse_json(text);
}

} // namespace

TEST_F(CatalogueTest, start_up_caches_both_lists_and_loads_them_back)
{
    reply(produtos());
    ASSERT_EQ(run([&] { importar_produtos(context, dados); }), u""_s);
    EXPECT_EQ(
        transport.request(0),
        R"({"REQUISICAO":{"TABLE":"PRODUTO","EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste1","TIPO_DADOS":"LISTA"}})");
    EXPECT_EQ(dir.read(u"tabelas.json"_s),
              R"({"TABELAS0":{"TAB_ID":1,"TAB_DESCRICAO":"Varejo","EXTRA":"x"},"TABELAS1":{"TAB_ID":"NULL"},)"
              R"("TABELAS2":{"TAB_ID":null,"TAB_DESCRICAO":"Nula"},"TABELAS3":{"TAB_DESCRICAO":"Sem id"}})"
              "\r\n");
    EXPECT_TRUE(dir.read(u"produtos.json"_s).startsWith(R"({"PRODUTOS0":{"PRO_ID":10,)"));
    EXPECT_FALSE(dir.read(u"produtos.json"_s).contains("CHAVE_VENDEDOR"));

    for (const Table* t : {&dados.tblTabela, &dados.tblProduto, &dados.tblTabProd})
        EXPECT_EQ(t->current_visible(), 0) << t->name().toStdString();

    // A null id is not the text NULL at start-up: that table comes in with id 0.
    EXPECT_EQ(column(dados.tblTabela, "tab_id"), (QStringList{u"1"_s, u"0"_s}));
    EXPECT_EQ(column(dados.tblTabela, "tab_descricao"), (QStringList{u"Varejo"_s, u"Nula"_s}));
    EXPECT_EQ(column(dados.tblProduto, "pro_id"), (QStringList{u"10"_s, u"11"_s}));
    EXPECT_EQ(column(dados.tblProduto, "pro_control_flex"), (QStringList{u"S"_s, u""_s}));
    EXPECT_EQ(column(dados.tblProduto, "pro_vlr_venda"), (QStringList{u"25,90"_s, u""_s}));
    // pro_id from the enclosing product; the "NULL" entry skipped, the null one kept with id 0.
    EXPECT_EQ(column(dados.tblTabProd, "pro_id"), (QStringList{u"10"_s, u"10"_s}));
    EXPECT_EQ(column(dados.tblTabProd, "tap_id"), (QStringList{u"5"_s, u"0"_s}));
    EXPECT_EQ(column(dados.tblTabProd, "tap_vlr_venda"), (QStringList{u"24,00"_s, u""_s}));
}

TEST_F(CatalogueTest, one_parser_serves_the_whole_start_up_load_step_by_step)
{
    JsonParser parser;
    context.parser = &parser;
    reply(R"({"CLIENTE0":{"COL_ID_CONTROLE":7,"COL_NOME":")" + QByteArray(5000, 'a') +
          R"("},"CHAVE_VENDEDOR":"47261"})");
    reply(produtos());
    QStringList steps;
    const StepDone note = [&](const char* step) { steps << QString::fromLatin1(step); };
    ASSERT_EQ(run([&] {
                  importar_clientes(context, dados.tblCliente, note);
                  importar_produtos(context, dados, note);
              }),
              u""_s);
    EXPECT_EQ(steps, (QStringList{u"resposta"_s, u"cache"_s, u"carga"_s, u"resposta"_s, u"cache"_s,
                                  u"leitura"_s, u"carga"_s}));
    EXPECT_EQ(column(dados.tblCliente, "cli_razao"), QStringList{QString(100, u'a')});
    EXPECT_EQ(column(dados.tblProduto, "pro_id"), (QStringList{u"10"_s, u"11"_s}));
    EXPECT_EQ(column(dados.tblTabProd, "tap_id"), (QStringList{u"5"_s, u"0"_s}));
}

TEST_F(CatalogueTest, list_loader_reads_missing_values_its_own_way)
{
    const JsonValue reply = parsed(produtos().constData());
    load_products(dados, tabelas_of(reply), produtos_of(reply), ProductLoader::ListRefresh);
    EXPECT_EQ(column(dados.tblTabela, "tab_id"), (QStringList{u"1"_s}));
    EXPECT_EQ(column(dados.tblProduto, "pro_descricao"), (QStringList{u"ARROZ 5KG"_s, u"NULL"_s}));
    EXPECT_EQ(column(dados.tblProduto, "pro_control_flex"), (QStringList{u"S"_s, u"F"_s}));
    EXPECT_EQ(column(dados.tblTabProd, "pro_id"), (QStringList{u"99"_s, u"10"_s}));
    EXPECT_EQ(column(dados.tblTabProd, "tap_vlr_venda"), (QStringList{u"24,00"_s, u"0"_s}));
}

TEST_F(CatalogueTest, replies_missing_a_list_stop_with_a_message)
{
    struct Case {
        QByteArray reply;
        QString message;
        bool files_written;
        int products;
    } cases[] = {
        {R"({"PRODUTOS":{},"CHAVE_VENDEDOR":"47261"})", u"\"TABELAS\""_s, false, 0},
        {R"({"TABELAS":{},"PRODUTOS":[],"CHAVE_VENDEDOR":"47261"})", u"\"PRODUTOS\""_s, false, 0},
        {R"({"TABELAS":{},"PRODUTOS":{"PRODUTOS0":{"PRO_ID":1,"TABELA_ITEM":[]},"PRODUTOS1":{"PRO_ID":2}},"CHAVE_VENDEDOR":"47261"})",
         u"\"TABELA_ITEM\""_s, true, 2},
        {R"({"TABELAS":{"TABELAS1":{"TAB_ID":1}},"PRODUTOS":{},"CHAVE_VENDEDOR":"47261"})", u"\"TABELAS0\""_s,
         true, 0},
    };
    for (const Case& c : cases) {
        for (const char* f : {"tabelas.json", "produtos.json"})
            QFile::remove(dir.path(QString::fromLatin1(f)));
        dados.tblProduto.empty();
        reply(c.reply);
        const QString message = run([&] { importar_produtos(context, dados); });
        EXPECT_TRUE(message.contains(c.message)) << message.toStdString();
        EXPECT_EQ(dir.exists(u"tabelas.json"_s), c.files_written) << c.reply.toStdString();
        EXPECT_EQ(dir.exists(u"produtos.json"_s), c.files_written) << c.reply.toStdString();
        EXPECT_EQ(dados.tblProduto.record_count(), c.products) << c.reply.toStdString();
    }
}
