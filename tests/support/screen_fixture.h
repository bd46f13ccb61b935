#pragma once

#include "catalogue/client_download.h"
#include "catalogue/product_download.h"
#include "closed_port.h"
#include "modal.h"
#include "qt_printers.h"
#include "recording_messages.h"
#include "server/transport.h"
#include "server_process.h"
#include "store/dm_dados.h"
#include "temp_folder.h"
#include "ui/db_grid.h"

#include <QDate>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

// The catalogue screens against pedidos-servidor with its demo data (salesperson 1 of "Teste"),
// started once for the suite; each test gets a fresh data folder and fresh tables. The client and
// the server take the same fixed day for today, so that no run depends on the clock (midnight
// falling between a test's reading and the server's).
class ScreenTest : public ::testing::Test {
protected:
    static QDate hoje() { return ServerProcess::today(); }
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
        context.today = [] { return hoje(); };
        configure(QStringLiteral("47261"));
    }
    void configure(const QString& chave, const QString& address = server_->address())
    {
        dir.write_config(QStringLiteral("Teste"), address, QStringLiteral("1"), chave);
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
    // An address where nothing answers, held for the test so that no other server takes it.
    QString closed_address() const { return closed_port.address(); }
    ClosedPort closed_port;

    static std::unique_ptr<ServerProcess> server_;
};

inline std::unique_ptr<ServerProcess> ScreenTest::server_;
