#pragma once

#include "catalogue/client_download.h"
#include "catalogue/product_download.h"
#include "modal.h"
#include "recording_messages.h"
#include "server/transport.h"
#include "server_process.h"
#include "store/db_grid.h"
#include "store/dm_dados.h"
#include "temp_folder.h"

#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

// Readable failures.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

// The catalogue screens against pedidos-servidor with its demo data (salesperson 1 of "Teste"),
// started once for the suite; each test gets a fresh data folder and fresh tables.
class ScreenTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server_ = std::make_unique<ServerProcess>(); }
    static void TearDownTestSuite() { server_.reset(); }

    TempFolder dir;
    RecordingMessages messages;
    HttpTransport transport;
    Context context = make_context(dir, &messages);
    TdmDados dados{context.regional};

    void SetUp() override
    {
        context.transport = &transport;
        configure(QStringLiteral("47261"));
    }
    void configure(const QString& chave, const QString& address = server_->address())
    {
        dir.write(QStringLiteral("config.ini"),
                  QStringLiteral("[CONFIGURACAO]\r\nEmpresa=Teste\r\nIP=%1\r\nID=1\r\nChave=%2\r\n")
                      .arg(address, chave)
                      .toUtf8());
    }
    // What the main window loads when it is first shown.
    void load_start_up()
    {
        importar_clientes(context, dados.tblCliente);
        importar_produtos(context, dados);
        ASSERT_TRUE(messages.said.isEmpty()) << messages.said.join(u'\n').toStdString();
    }
    // Shows a screen the way exec() would, active, so that its shortcuts reach it.
    static void show_active(QWidget* screen)
    {
        screen->show();
        screen->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(screen));
    }
    // The texts a grid shows in one column, top to bottom.
    static QStringList shown(QWidget* screen, int column)
    {
        const TableModel* model = child<DbGrid>(screen, QStringLiteral("dbgLista"))->table_model();
        QStringList out;
        for (int r = 0; r < model->rowCount(); ++r)
            out << model->display_text(r, column);
        return out;
    }
    // Every value of a field over all rows, the filter switched off for the count and back on.
    static QStringList all_values(Table& table, const char* field)
    {
        const bool was = table.filtered();
        table.set_filtered(false);
        QStringList out;
        for (table.first(); !table.eof(); table.next())
            out << table.as_text(QString::fromLatin1(field));
        if (was) table.set_filtered(true);
        return out;
    }
    // Changes one field of the row whose integer key field holds id.
    static void change(Table& table, const char* key, int id, const char* field, const QString& value)
    {
        ASSERT_TRUE(table.locate(QString::fromLatin1(key), QVariant(id)));
        table.edit();
        table.set_text(QString::fromLatin1(field), value);
        table.post();
    }
    static QString closed_address() { return QStringLiteral("127.0.0.1:1"); }

    static std::unique_ptr<ServerProcess> server_;
};

inline std::unique_ptr<ServerProcess> ScreenTest::server_;
