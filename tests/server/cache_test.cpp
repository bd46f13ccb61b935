#include "server/cache.h"

#include "core/errors.h"
#include "file_faults.h"
#include "server/json_parse.h"
#include "server/json_write.h"
#include "settings/ansi.h"
#include "temp_folder.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

class Cache : public ::testing::Test {
protected:
    TempFolder folder;
    Context context = make_context(folder, nullptr);

    std::optional<JsonValue> load(const QByteArray& bytes)
    {
        folder.write(u"c.json"_s, bytes);
        return carregar_json(context, u"c.json"_s);
    }

    // The text of pair key of the object read back, or a marker when there is none.
    std::string text_of(const QByteArray& bytes, const char* key = "A")
    {
        const std::optional<JsonValue> v = load(bytes);
        if (!v) return "<none>";
        const JsonValue* pair = v->find(key);
        return pair ? std::string(pair->text()) : "<missing>";
    }
};

JsonValue arquivo(std::string_view bytes, JsonValue count, std::string_view name)
{
    JsonValue a = JsonValue::array();
    a.push_back(JsonValue::string(bytes));
    a.push_back(std::move(count));
    a.push_back(JsonValue::string(name));
    return a;
}

JsonValue number(std::string_view text)
{
    return JsonValue::number(text);
}

JsonValue text(std::string_view text)
{
    return JsonValue::string(text);
}

} // namespace

TEST_F(Cache, an_empty_object_is_written_as_four_bytes_and_read_back)
{
    salvar_json(context, std::string_view("{}"), u"vazio.json"_s);
    EXPECT_EQ(folder.read(u"vazio.json"_s), QByteArray("{}\r\n"));
    const std::optional<JsonValue> v = carregar_json(context, u"vazio.json"_s);
    ASSERT_TRUE(v);
    EXPECT_TRUE(v->is_object());
    EXPECT_EQ(v->size(), 0u);
}

TEST_F(Cache, a_written_value_is_one_ascii_line_and_keeps_its_accents)
{
    JsonValue client = JsonValue::object();
    client.insert("NOME", JsonValue::string("JO\xC3\x83O / S\xC3\x83O"));
    client.insert("ID", JsonValue::number("1.50"));
    salvar_json(context, client, u"clientes.json"_s);
    EXPECT_EQ(folder.read(u"clientes.json"_s), QByteArray(R"({"NOME":"JO\u00C3O \/ S\u00C3O","ID":1.50})"
                                                          "\r\n"));

    const std::optional<JsonValue> back = carregar_json(context, u"clientes.json"_s);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, client);
}

// A catalogue goes out in pieces; the file must still be the writer's text to the byte, whatever
// falls on a piece's edge.
TEST_F(Cache, a_value_of_many_megabytes_is_written_exactly_as_the_writer_gives_it)
{
    JsonValue clients = JsonValue::object();
    JsonValue list = JsonValue::array();
    for (int i = 0; i < 6000; ++i) {
        JsonValue client = JsonValue::object();
        client.insert("COL_ID_CONTROLE", JsonValue::number(std::to_string(i)));
        client.insert("COL_NOME", JsonValue::string(std::string(300 + i % 7, 'a') + "\xC3\xA7\"/"));
        list.push_back(client);
        clients.insert("CLIENTE" + std::to_string(i), std::move(client));
    }
    clients.insert("CHAVE_VENDEDOR", JsonValue::string("47261"));
    const JsonValue values[] = {clients, list, JsonValue::string(std::string(3 << 20, 'b')),
                                JsonValue::object()};
    for (const JsonValue& v : values) {
        salvar_json(context, v, u"grande.json"_s);
        const QByteArray bytes = folder.read(u"grande.json"_s);
        EXPECT_EQ(bytes.toStdString(), to_json(v) + "\r\n");
    }
    EXPECT_EQ(*carregar_json(context, u"grande.json"_s), JsonValue::object());
    salvar_json(context, clients, u"grande.json"_s);
    EXPECT_EQ(*carregar_json(context, u"grande.json"_s), clients);
}

TEST_F(Cache, a_write_replaces_the_whole_file)
{
    folder.write(u"ts.txt"_s, QByteArray(1000, 'x'));
    salvar_json(context, std::string_view(R"({"A":"1"})"), u"ts.txt"_s);
    EXPECT_EQ(folder.read(u"ts.txt"_s), QByteArray("{\"A\":\"1\"}\r\n"));
}

// Literal characters reach the parser as 7-bit ASCII: accents are lost, escapes are not.
TEST_F(Cache, text_is_decoded_by_its_byte_order_mark_and_brought_to_ascii)
{
    const QString accented = u"{\"A\":\"JOÃO çé\"}\r\n"_s;
    const auto utf16 = [&](bool big_endian) {
        QByteArray b = big_endian ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE");
        for (const QChar c : accented) {
            const char hi = static_cast<char>(c.unicode() >> 8), lo = static_cast<char>(c.unicode() & 0xFF);
            b.append(big_endian ? hi : lo).append(big_endian ? lo : hi);
        }
        return b;
    };
    struct Case {
        QByteArray bytes;
        std::string expected;
    } cases[] = {
        {"{\"A\":\"JO\\u00C3O\"}\r\n", "JO\xC3\x83O"},
        {"{\"A\":\"JO\xC3O \xE7\xE9\"}\r\n", "JOAO ce"}, // Windows-1252
        {"\xEF\xBB\xBF" + accented.toUtf8(), "JOAO ce"},
        {"\xEF\xBB\xBF{\"A\":\"JO\\u00C3O\"}", "JO\xC3\x83O"},
        {utf16(false), "JOAO ce"},
        {utf16(true), "JOAO ce"},
        {"{\"A\":\"\x96\x97\x85\xAB\xBB\xDF\xC6\xE6\xD8\xF8\x8C\x9C\x80\xA0\"}", "--.<>sAaOoOo? "},
        {"{\"A\":\"\x91x\x92\"}", "'x'"},
        {"\xEF\xBB\xBF{\"A\":\"\xF0\x9F\x98\x80|\xCC\x81|\xE4\xB8\xAD\"}", "?|?|?"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(text_of(c.bytes), c.expected) << c.bytes.toStdString();
}

// The structure is read first: a typographic quote inside a string stays in it, and one that
// stands where a quote of the structure should is not JSON.
TEST_F(Cache, typographic_quotes_never_change_the_structure)
{
    const QString evil = u"{\"NOME\":\"x\u201D,\u201DCHAVE_VENDEDOR\u201D:\u201Devil\"}\r\n"_s;
    QByteArray utf16("\xFF\xFE");
    for (const QChar c : evil)
        utf16.append(static_cast<char>(c.unicode() & 0xFF)).append(static_cast<char>(c.unicode() >> 8));
    const QByteArray encodings[] = {encode_ansi(evil), "\xEF\xBB\xBF" + evil.toUtf8(), utf16};
    for (const QByteArray& bytes : encodings) {
        const std::optional<JsonValue> v = load(bytes);
        ASSERT_TRUE(v) << bytes.toStdString();
        ASSERT_EQ(v->size(), 1u);
        EXPECT_EQ(v->find("NOME")->text(), R"(x","CHAVE_VENDEDOR":"evil)");
        EXPECT_EQ(v->find("CHAVE_VENDEDOR"), nullptr);
    }
    struct Case {
        QByteArray bytes;
        std::string expected;
    } cases[] = {
        {"{\"A\":\"Bar \x93Z\xE9\x94\"}\r\n", "Bar \"Ze\""},
        {"{\"A\":\"a\\\\\x94\"}", "a\\\""},
        {"{\"A\":\"\x93\\\"\x94\"}", "\"\"\""},
        {"{\x93"
         "A\x94:\"curly\"}",
         "<none>"},
        {"{\"A\":\x93x\x94}", "<none>"},
        {"{\"A\":\"x\\\x94\"}", "<none>"},
        {"{\"A\":\"x\",\xA0\"B\":1}", "<none>"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(text_of(c.bytes), c.expected) << c.bytes.toStdString();
}

TEST_F(Cache, text_that_is_not_one_value_gives_none)
{
    const QByteArray cases[] = {
        "",
        "\r\n",
        "{\"A\":1}\r\n{\"A\":2}\r\n",
        "{\"A\":1} x\r\n",
        "{\"A\":",
        "not json",
        "42\r\n",
        "\"x\"\n",
        "true\r\n",
        "null\r\n",
    };
    for (const QByteArray& c : cases)
        EXPECT_FALSE(load(c)) << c.toStdString();
    EXPECT_TRUE(load(" \t\r\n{\"A\":1} \t\r\n"));
}

TEST_F(Cache, a_value_that_is_not_an_object_is_an_error)
{
    const QByteArray cases[] = {"[{\"A\":1}]\r\n", "[]", "42", "\"x\""};
    for (const QByteArray& c : cases)
        EXPECT_THROW(load(c), ProtocolError) << c.toStdString();
}

TEST_F(Cache, a_missing_file_is_a_file_error_naming_it)
{
    try {
        carregar_json(context, u"clientes.json"_s);
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_TRUE(e.message().startsWith(u"Arquivo não encontrado: "_s)) << e.what();
        EXPECT_TRUE(e.message().contains(u"clientes.json"_s)) << e.what();
    }
}

TEST_F(Cache, a_file_that_cannot_be_read_or_written_is_a_file_error)
{
    QDir().mkpath(folder.path(u"pasta.json"_s));
    EXPECT_THROW(carregar_json(context, u"pasta.json"_s), FileError);
    EXPECT_THROW(salvar_json(context, std::string_view("{}"), u"pasta.json"_s), FileError);
    EXPECT_THROW(salvar_arquivo(context, arquivo("37", number("1"), "pasta.json"), folder.path()), FileError);
    EXPECT_TRUE(QFileInfo(folder.path(u"pasta.json"_s)).isDir());
}

TEST_F(Cache, one_parser_serves_several_files)
{
    folder.write(u"a.json"_s, QByteArray("{\"A\":\"") + QByteArray(100000, 'a') + "\"}\r\n");
    folder.write(u"b.json"_s, "{\"B\":\"b\"}\r\n");
    JsonParser parser;
    EXPECT_EQ(carregar_json(context, u"a.json"_s, parser)->find("A")->text().size(), 100000u);
    EXPECT_EQ(carregar_json(context, u"b.json"_s, parser)->find("B")->text(), "b");
    EXPECT_EQ(carregar_json(context, u"a.json"_s, parser)->find("A")->text().size(), 100000u);
}

TEST_F(Cache, a_name_with_a_folder_writes_into_it_but_never_creates_it)
{
    const QString name = u"historico_vendas\\venda_7_010224.json"_s;
    EXPECT_THROW(salvar_json(context, std::string_view("{}"), name), FileError);
    EXPECT_FALSE(folder.exists(u"historico_vendas"_s));
    EXPECT_TRUE(QDir(folder.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());

    QDir().mkpath(folder.path(u"historico_vendas"_s));
    salvar_json(context, std::string_view("{}"), name);
    EXPECT_EQ(folder.read(u"historico_vendas/venda_7_010224.json"_s), QByteArray("{}\r\n"));
}

TEST_F(Cache, a_document_is_written_from_its_byte_list)
{
    struct Case {
        JsonValue count;
        std::string_view list;
        QByteArray expected;
    } cases[] = {
        {number("4"), "37,80,68,70", "%PDF"},
        {number("3"), "37,80,68,70", "%PD"},
        {text("4"), "37,80,68,70", "%PDF"},
        {number("3"), "37, 80,,68", "%PD"},
        {number("3"), "  37,\t80,68,", "%PD"},
        {number("4"), "256,-1,255,0", QByteArray("\x00\xFF\xFF\x00", 4)},
        {number("0"), "", ""},
    };
    for (const Case& c : cases) {
        salvar_arquivo(context, arquivo(c.list, c.count, "doc.pdf"), folder.path());
        EXPECT_EQ(folder.read(u"doc.pdf"_s), c.expected) << c.list;
    }
    // Names that only look like the program's files or a device are ordinary documents.
    for (const char* name :
         {"config.ini.pdf", "console.pdf", "com10.pdf", "lpt0.pdf", "nulo.pdf", "12345.pdf"}) {
        salvar_arquivo(context, arquivo("37", number("1"), name), folder.path());
        EXPECT_EQ(folder.read(QString::fromLatin1(name)), QByteArray("%")) << name;
    }
    const Documento decoded = decodificar_arquivo(arquivo("37,80,68", text("2"), "x.pdf"));
    EXPECT_EQ(decoded.nome, u"x.pdf"_s);
    EXPECT_EQ(decoded.bytes, QByteArray("%P"));
}

TEST_F(Cache, a_document_never_replaces_the_settings_file)
{
    folder.write(u"config.ini"_s, "[CONFIGURACAO]\r\nEmpresa=Teste\r\n");
    for (const char* name : {"config.ini", "Config.INI"})
        EXPECT_THROW(salvar_arquivo(context, arquivo("37,80", number("2"), name), folder.path()),
                     ProtocolError);
    EXPECT_EQ(folder.read(u"config.ini"_s), QByteArray("[CONFIGURACAO]\r\nEmpresa=Teste\r\n"));
}

TEST_F(Cache, a_document_goes_into_a_folder_created_for_it)
{
    salvar_arquivo(context, arquivo("37,80", number("2"), "1234.pdf"), folder.path(u"docs/2024"_s));
    EXPECT_EQ(folder.read(u"docs/2024/1234.pdf"_s), QByteArray("%P"));
    // A relative folder is taken inside the data folder.
    salvar_arquivo(context, arquivo("68", number("1"), "r.pdf"), u"relatorios\\"_s);
    EXPECT_EQ(folder.read(u"relatorios/r.pdf"_s), QByteArray("D"));
}

// Every fault leaves no file and no folder behind.
TEST_F(Cache, a_faulty_document_writes_nothing)
{
    const auto bad_name = [](std::string_view name) { return arquivo("37", number("1"), name); };
    JsonValue two = JsonValue::array();
    two.push_back(text("37"));
    two.push_back(number("1"));
    JsonValue not_array = JsonValue::object();
    not_array.insert("0", text("37"));
    struct Case {
        JsonValue arquivo;
        const char* error;
        QString says;
    } cases[] = {
        {arquivo("37,80,68,70", number("5"), "a.pdf"), "protocol", u"4"_s},
        {arquivo("37,8x,68", number("3"), "a.pdf"), "conversion", u"'8x'"_s},
        {arquivo("37 ,80", number("2"), "a.pdf"), "conversion", u"'37 '"_s},
        {arquivo("37,80,68", number("2.0"), "a.pdf"), "conversion", u"'2.0'"_s},
        {arquivo("37,80,68", number("2e0"), "a.pdf"), "conversion", u"'2e0'"_s},
        {arquivo("37,80,68", text("dois"), "a.pdf"), "conversion", u"'dois'"_s},
        {arquivo("37,80,68", text(""), "a.pdf"), "conversion", u"''"_s},
        {arquivo("99999999999999999999", number("1"), "a.pdf"), "conversion", u"99999999999999999999"_s},
        // Numbers past 2^64 wrapped to 65 and 2 before their range was checked.
        {arquivo("18446744073709551681", number("1"), "a.pdf"), "conversion", u"18446744073709551681"_s},
        {arquivo("37,80,68", text("18446744073709551618"), "a.pdf"), "conversion", u"18446744073709551618"_s},
        {arquivo("37,80,68", number("-18446744073709551615"), "a.pdf"), "conversion",
         u"-18446744073709551615"_s},
        {arquivo("37,80,68", number("-1"), "a.pdf"), "protocol", u"-1"_s},
        {arquivo("37", number("99999999999"), "a.pdf"), "protocol", u"99999999999"_s},
        {bad_name(""), "protocol", {}},
        {bad_name("."), "protocol", {}},
        {bad_name(".."), "protocol", {}},
        {bad_name("../a.pdf"), "protocol", u"../a.pdf"_s},
        {bad_name("sub/a.pdf"), "protocol", {}},
        {bad_name("..\\a.pdf"), "protocol", {}},
        {bad_name("c:a.pdf"), "protocol", {}},
        {bad_name("/tmp/a.pdf"), "protocol", {}},
        {bad_name(std::string_view("a\0.pdf", 6)), "protocol", {}},
        {bad_name(".oculto.pdf"), "protocol", {}},
        {bad_name("a.pdf."), "protocol", {}},
        {bad_name("a.pdf "), "protocol", {}},
        {bad_name("a|b.pdf"), "protocol", {}},
        {bad_name("a?.pdf"), "protocol", {}},
        {bad_name("a*.pdf"), "protocol", {}},
        {bad_name("a<b>.pdf"), "protocol", {}},
        {bad_name("a\"b.pdf"), "protocol", {}},
        // The program's own files, in any letter case.
        {bad_name("config.ini"), "protocol", u"config.ini"_s},
        {bad_name("CONFIG.INI"), "protocol", u"CONFIG.INI"_s},
        {bad_name("Clientes.Json"), "protocol", {}},
        {bad_name("produtos.json"), "protocol", {}},
        {bad_name("tabelas.json"), "protocol", {}},
        {bad_name("financeiro.json"), "protocol", {}},
        {bad_name("histvendas.json"), "protocol", {}},
        {bad_name("TS.TXT"), "protocol", {}},
        {bad_name("historico_vendas"), "protocol", {}},
        // Windows device names, with or without an extension.
        {bad_name("CON"), "protocol", u"CON"_s},
        {bad_name("con.pdf"), "protocol", {}},
        {bad_name("Nul.tar.gz"), "protocol", {}},
        {bad_name("prn.pdf"), "protocol", {}},
        {bad_name("aux"), "protocol", {}},
        {bad_name("COM1.pdf"), "protocol", {}},
        {bad_name("com9"), "protocol", {}},
        {bad_name("LPT1.pdf"), "protocol", {}},
        {bad_name("lpt9.txt"), "protocol", {}},
        {bad_name("con .pdf"), "protocol", {}},
        {std::move(two), "protocol", {}},
        {std::move(not_array), "protocol", {}},
        {arquivo("37", JsonValue::boolean(true), "a.pdf"), "protocol", {}},
        {arquivo("37", JsonValue(), "a.pdf"), "protocol", {}},
    };
    JsonValue number_list = arquivo("", number("1"), "a.pdf");
    number_list.at(0) = number("37");
    JsonValue number_name = arquivo("37", number("1"), "");
    number_name.at(2) = number("1");

    const QString target = folder.path(u"novo"_s);
    const auto check = [&](const JsonValue& a, const char* error, const QString& says) {
        try {
            salvar_arquivo(context, a, target);
            ADD_FAILURE() << "no error for " << error << " " << says.toStdString();
        } catch (const ConversionError& e) {
            EXPECT_STREQ(error, "conversion") << e.what();
            EXPECT_TRUE(e.message().contains(says)) << e.what();
        } catch (const ProtocolError& e) {
            EXPECT_STREQ(error, "protocol") << e.what();
            EXPECT_TRUE(e.message().contains(says)) << e.what();
        }
        EXPECT_FALSE(folder.exists(u"novo"_s)) << says.toStdString();
    };
    for (const Case& c : cases)
        check(c.arquivo, c.error, c.says);
    check(number_list, "protocol", {});
    check(number_name, "protocol", {});
    EXPECT_FALSE(QFileInfo::exists(folder.path(u"a.pdf"_s)));
}

TEST_F(Cache, the_wipe_deletes_the_catalogue_files_only)
{
    const QString wiped[] = {u"produtos.json"_s, u"tabelas.json"_s,         u"clientes.json"_s,
                             u"mix.json"_s,      u"hist_financerio.json"_s, u"hist_venda.json"_s};
    const QString kept[] = {u"financeiro.json"_s,
                            u"histvendas.json"_s,
                            u"config.ini"_s,
                            u"ts.txt"_s,
                            u"historico_vendas/venda_1_010124.json"_s,
                            u"123.pdf"_s};
    for (const QString& f : wiped)
        folder.write(f, "{}\r\n");
    for (const QString& f : kept)
        folder.write(f, "{}\r\n");
    limpar_temporarios(context);
    for (const QString& f : wiped)
        EXPECT_FALSE(folder.exists(f)) << f.toStdString();
    for (const QString& f : kept)
        EXPECT_TRUE(folder.exists(f)) << f.toStdString();
    limpar_temporarios(context); // nothing left to delete: no failure
}

// A file over the size the parser takes is refused before it is read; a tree over its count of
// values is refused too. Both name the file.
TEST_F(Cache, a_file_over_the_limits_is_a_file_error_naming_it)
{
    {
        QFile big(folder.path(u"clientes.json"_s));
        ASSERT_TRUE(big.open(QIODevice::WriteOnly));
        ASSERT_TRUE(big.resize(static_cast<qint64>(JsonParser::max_bytes) + 1)); // sparse: takes no room
    }
    const auto refused = [&](const std::function<void()>& load) {
        try {
            load();
            ADD_FAILURE() << "no error";
        } catch (const FileError& e) {
            EXPECT_TRUE(e.message().contains(u"clientes.json"_s)) << e.what();
        }
    };
    refused([&] { carregar_json(context, u"clientes.json"_s); });

    JsonParser small(4);
    folder.write(u"clientes.json"_s, "{\"A\":[1,2,3,4]}\r\n");
    refused([&] { carregar_json(context, u"clientes.json"_s, small); });
    folder.write(u"clientes.json"_s, "\xEF\xBB\xBF{\"A\":[\"\xC3\xA3\",2,3,4]}\r\n");
    refused([&] { carregar_json(context, u"clientes.json"_s, small); });
    folder.write(u"clientes.json"_s, "{\"A\":[1,2]}\r\n");
    EXPECT_TRUE(carregar_json(context, u"clientes.json"_s, small));
}

// A file cut short anywhere gives no value, never the part that was there.
TEST_F(Cache, a_file_cut_short_gives_none_and_stays_as_it_is)
{
    const QByteArray whole =
        R"({"CLIENTE0":{"ID":"1","NOME":"JO\u00C3O"},"CLIENTE1":{"ID":2,"X":[null,true]},)"
        R"("CHAVE_VENDEDOR":"47261"})"
        "\r\n";
    ASSERT_TRUE(load(whole));
    for (qsizetype n = 0; n < whole.size() - 2; ++n) {
        EXPECT_FALSE(load(whole.left(n))) << whole.left(n).toStdString();
        EXPECT_EQ(folder.read(u"c.json"_s), whole.left(n));
    }
}

// Windows refuses to replace a file that another program (an antivirus, the search indexer) holds
// open: a file let go within a moment is still replaced, and nothing is left beside it.
TEST_F(Cache, a_file_another_program_holds_for_a_moment_is_still_replaced)
{
    for (const Durability durability : {Durability::Synced, Durability::Replaceable}) {
        folder.write(u"clientes.json"_s, "{\"OLD\":1}\r\n");
        QFile holder(folder.path(u"clientes.json"_s));
        ASSERT_TRUE(holder.open(QIODevice::ReadOnly));
        std::thread release([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            holder.close();
        });
        salvar_json(context, JsonValue::object(), u"clientes.json"_s, durability);
        release.join();
        EXPECT_EQ(folder.read(u"clientes.json"_s), QByteArray("{}\r\n"));
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{u"clientes.json"_s});
    }
}

#ifdef __linux__
// The cache files and the order history copy, when the disk fills up part-way through: the old
// file stays whole, no temporary file is left, and the message names the file.
TEST_F(Cache, a_write_that_runs_out_of_room_keeps_the_old_file_and_names_it)
{
    QDir().mkpath(folder.path(u"historico_vendas"_s));
    JsonValue big = JsonValue::object();
    big.insert("NOME", JsonValue::string(std::string(100000, 'a')));
    const std::string big_text = to_json(big);
    struct Case {
        QString name;
        QString file;
        bool as_text;
        Durability durability = Durability::Synced;
    } cases[] = {
        {u"clientes.json"_s, u"clientes.json"_s, false, Durability::Replaceable},
        {u"clientes.json"_s, u"clientes.json"_s, false},
        {u"historico_vendas\\venda_10000_091225.json"_s, u"historico_vendas/venda_10000_091225.json"_s,
         false},
        {u"ts.txt"_s, u"ts.txt"_s, true},
    };
    for (const Case& c : cases) {
        folder.write(c.file, "{\"OLD\":1}\r\n");
        const QStringList before = QDir(QFileInfo(folder.path(c.file)).path()).entryList(QDir::Files);
        try {
            FileSizeLimit full;
            if (c.as_text)
                salvar_json(context, std::string_view(big_text), c.name);
            else
                salvar_json(context, big, c.name, c.durability);
            ADD_FAILURE() << "no error for " << c.file.toStdString();
        } catch (const FileError& e) {
            EXPECT_TRUE(e.message().contains(QDir::toNativeSeparators(c.file))) << e.what();
        }
        EXPECT_EQ(folder.read(c.file), QByteArray("{\"OLD\":1}\r\n")) << c.file.toStdString();
        EXPECT_EQ(QDir(QFileInfo(folder.path(c.file)).path()).entryList(QDir::Files), before);
    }
    for (const Durability durability : {Durability::Synced, Durability::Replaceable}) {
        folder.write(u"clientes.json"_s, "{\"OLD\":1}\r\n");
        salvar_json(context, big, u"clientes.json"_s, durability); // room again: written
        EXPECT_EQ(folder.read(u"clientes.json"_s).size(), static_cast<qsizetype>(big_text.size() + 2));
    }
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), (QStringList{u"clientes.json"_s, u"ts.txt"_s}));
}

TEST_F(Cache, a_read_only_data_folder_keeps_its_files_and_names_the_one_not_written)
{
    folder.write(u"clientes.json"_s, "{\"OLD\":1}\r\n");
    ReadOnlyFolder read_only(folder.path());
    if (!read_only.read_only()) GTEST_SKIP() << "this system cannot make a folder read-only";
    for (const Durability durability : {Durability::Synced, Durability::Replaceable}) {
        try {
            salvar_json(context, JsonValue::object(), u"clientes.json"_s, durability);
            ADD_FAILURE() << "no error";
        } catch (const FileError& e) {
            EXPECT_TRUE(e.message().contains(u"clientes.json"_s)) << e.what();
        }
    }
    EXPECT_THROW(salvar_arquivo(context, arquivo("37", number("1"), "1.pdf"), folder.path()), FileError);
    EXPECT_EQ(folder.read(u"clientes.json"_s), QByteArray("{\"OLD\":1}\r\n"));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{u"clientes.json"_s});
}
#endif
