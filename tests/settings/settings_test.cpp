#include "core/errors.h"
#include "file_faults.h"
#include "recording_messages.h"
#include "settings/settings.h"
#include "temp_folder.h"

#include <QDir>
#include <QFile>

#include <functional>

#include <gtest/gtest.h>

#ifdef __linux__
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

TEST(Settings, missing_or_malformed_values_read_as_defaults)
{
    TempFolder dir;
    RecordingMessages messages;
    const Context context = make_context(dir, &messages);
    const Settings settings(context);
    struct Case {
        QByteArray file;
        int pedido;
        bool temporario;
    } cases[] = {
        {"[CONFIGURACAO]\r\nEmpresa=Teste\r\n", 9999, false},
        {"[CONFIGURACAO]\r\nPedido=10000\r\nTemporario=1\r\n", 10000, true},
        {"[CONFIGURACAO]\r\nPedido=12abc\r\nTemporario=7\r\n", 9999, true},
        {"[CONFIGURACAO]\r\nPedido=\r\nTemporario=-1\r\n", 9999, true},
        {"[CONFIGURACAO]\r\nPedido=0x10\r\nTemporario=sim\r\n", 9999, false},
        {"[CONFIGURACAO]\r\nPedido=99999999999\r\nTemporario=0\r\n", 9999, false},
        {"[configuracao]\r\npedido= 42 \r\ntemporario=1\r\n", 42, true},
    };
    for (const Case& c : cases) {
        dir.write(u"config.ini"_s, c.file);
        EXPECT_EQ(settings.read_pedido(), c.pedido) << c.file.toStdString();
        EXPECT_EQ(settings.read_bool(u"Temporario"_s, false), c.temporario) << c.file.toStdString();
    }
    EXPECT_EQ(settings.read_string(u"Chave"_s), u""_s);
}

TEST(Settings, fresh_file_has_five_crlf_lines)
{
    TempFolder dir;
    RecordingMessages messages;
    const Context context = make_context(dir, &messages);
    Settings(context).create_fresh();
    EXPECT_EQ(dir.read(u"config.ini"_s),
              QByteArray("[CONFIGURACAO]\r\nEmpresa=Teste\r\nIP=192.168.0.100\r\nID=0\r\nChave=47261\r\n"));
    const ServerSettings id = read_server_settings(Settings(context));
    EXPECT_EQ(id.empresa, u"Teste"_s);
    EXPECT_EQ(id.id_vendedor, u"0"_s);
    EXPECT_EQ(id.chave, u"47261"_s);
    EXPECT_EQ(id.ip, u"192.168.0.100"_s);
}

#ifdef __linux__
// A crash or a failure part-way through a write must never leave config.ini half written: the new
// text goes to a file of its own that then takes config.ini's place.
TEST(Settings, a_write_replaces_the_file_whole_and_a_failed_one_leaves_it_as_it_was)
{
    TempFolder dir;
    RecordingMessages messages;
    const Context context = make_context(dir, &messages);
    const QByteArray old_text = "[CONFIGURACAO]\r\nPedido=5\r\n";
    dir.write(u"config.ini"_s, old_text);
    // A second name for the same file: a write in place would show through it.
    ASSERT_EQ(::link(QFile::encodeName(dir.path(u"config.ini"_s)).constData(),
                     QFile::encodeName(dir.path(u"antigo.ini"_s)).constData()),
              0);

    Settings(context).write_integer(u"Pedido"_s, 6);
    EXPECT_EQ(dir.read(u"config.ini"_s), QByteArray("[CONFIGURACAO]\r\nPedido=6\r\n"));
    EXPECT_EQ(dir.read(u"antigo.ini"_s), old_text);

    {
        // No new file can be made beside it; config.ini itself could still be rewritten in place.
        const ReadOnlyFolder read_only(dir.path());
        if (!read_only.read_only()) GTEST_SKIP() << "this system cannot make a folder read-only";
        EXPECT_THROW(Settings(context).write_integer(u"Pedido"_s, 7), FileError);
    }
    EXPECT_EQ(dir.read(u"config.ini"_s), QByteArray("[CONFIGURACAO]\r\nPedido=6\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), (QStringList{u"antigo.ini"_s, u"config.ini"_s}));
}

// A write smaller than the file's buffer fails only when the buffer goes out at the end.
TEST(Settings, a_small_write_on_a_full_disk_raises_and_leaves_the_file_as_it_was)
{
    TempFolder dir;
    RecordingMessages messages;
    const Context context = make_context(dir, &messages);
    const QByteArray old_text = "[CONFIGURACAO]\r\nPedido=5\r\n";
    dir.write(u"config.ini"_s, old_text);
    {
        const FileSizeLimit full(8);
        EXPECT_THROW(Settings(context).write_integer(u"Pedido"_s, 6), FileError);
    }
    EXPECT_EQ(dir.read(u"config.ini"_s), old_text);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{u"config.ini"_s});
}
#endif

TEST(Settings, history_folder_is_created_only_inside_an_existing_data_folder)
{
    TempFolder dir;
    RecordingMessages messages;
    Context context = make_context(dir, &messages);
    ensure_history_folder(context);
    EXPECT_TRUE(dir.exists(u"historico_vendas"_s));

    context.data_folder = dir.path(u"ausente/"_s);
    ensure_history_folder(context);
    EXPECT_FALSE(dir.exists(u"ausente"_s));
}

// Values read from a damaged file would be taken for settings: an order number reused, requests
// sent with no company. Every reader and writer refuses it, naming the file; the settings screen's
// reading takes it as it stands and its save replaces it, keeping a copy.
TEST(Settings, a_damaged_file_is_refused_until_the_settings_screen_repairs_it)
{
    TempFolder dir;
    RecordingMessages messages;
    const Context context = make_context(dir, &messages);
    const char raw[] = "[CONFIGURACAO]\r\nPedido=120\r\nEmpresa=\x00\x01\x02\xFF\r\n";
    const QByteArray garbage(raw, sizeof raw - 1);
    dir.write(u"config.ini"_s, garbage);
    const Settings settings(context);
    const auto refused = [&](const std::function<void()>& action) {
        try {
            action();
            ADD_FAILURE() << "no error";
        } catch (const FileError& e) {
            EXPECT_TRUE(e.message().contains(u"config.ini"_s)) << e.what();
            EXPECT_TRUE(e.message().contains(u"danificado"_s)) << e.what();
        }
        EXPECT_EQ(dir.read(u"config.ini"_s), garbage);
    };
    refused([&] { settings.read_pedido(); });
    refused([&] { read_server_settings(settings); });
    refused([&] { settings.write_integer(u"Pedido"_s, 10000); });
    ASSERT_TRUE(settings.damage());
    EXPECT_TRUE(settings.damage()->contains(u"linha 3"_s)) << settings.damage()->toStdString();

    const Settings repair(context, Settings::Damaged::AsItStands);
    EXPECT_EQ(repair.read_pedido(), 120);
    repair.write_values({{u"Empresa"_s, u"Acme"_s}, {u"IP"_s, u"10.0.0.5"_s}});
    EXPECT_EQ(dir.read(u"config.ini"_s),
              QByteArray("[CONFIGURACAO]\r\nEmpresa=Acme\r\nIP=10.0.0.5\r\nPedido=120\r\n"));
    EXPECT_EQ(dir.read(u"config.ini.danificado"_s), garbage);
    EXPECT_FALSE(settings.damage());
    EXPECT_EQ(settings.read_pedido(), 120);
    EXPECT_EQ(read_server_settings(settings).empresa, u"Acme"_s);

    // A sound file is written key by key even by the screen's reading.
    repair.write_values({{u"ID"_s, u"7"_s}});
    EXPECT_EQ(dir.read(u"config.ini"_s),
              QByteArray("[CONFIGURACAO]\r\nEmpresa=Acme\r\nIP=10.0.0.5\r\nPedido=120\r\nID=7\r\n"));

    // A file far too large to be settings is not even read, and is repaired the same way.
    const QByteArray huge = "[CONFIGURACAO]\r\nPedido=5\r\n" + QByteArray(2 << 20, 'x');
    dir.write(u"config.ini"_s, huge);
    EXPECT_THROW(settings.read_pedido(), FileError);
    EXPECT_TRUE(settings.damage() && settings.damage()->contains(u"mais de 1 MB"_s));
    EXPECT_EQ(repair.read_pedido(), Settings::default_pedido);
    repair.write_values({{u"Empresa"_s, u"Acme"_s}});
    EXPECT_EQ(dir.read(u"config.ini"_s), QByteArray("[CONFIGURACAO]\r\nEmpresa=Acme\r\n"));
    EXPECT_EQ(dir.read(u"config.ini.danificado"_s), huge);
}
