#pragma once

#include "database.h"
#include "server_process.h"

#include <QDate>

#include <cstdint>
#include <string>

// Rows added straight into a running server's database, so that a test knows exactly what the
// server has to answer. Ids start far above the demo data's.
class DemoFixture {
public:
    explicit DemoFixture(const std::string& database_path) : db_(database_path) {}

    // The server's "today", the day the test servers are started with.
    static QDate today() { return ServerProcess::today(); }
    static std::string iso(QDate day) { return day.toString(Qt::ISODate).toStdString(); }

    void client(int cli_id, const std::string& vendedor, const std::string& razao);
    void product(int pro_id, const std::string& description, double stock, std::int64_t price_cents = 1000);
    void receivable(int cre_id, int cli_id, const std::string& titulo, const std::string& parcela,
                    const std::string& status, const std::string& pagamento, std::int64_t cents,
                    std::int64_t paid_cents, QDate issued, QDate due);
    void sale(int pedido, int cli_id, QDate day, std::int64_t total_cents);
    void sale_item(int infe_id, int pedido, int ordem, int pro_id, double quantity, std::int64_t unit_cents);

    Database& db() { return db_; }

private:
    Database db_;
};
