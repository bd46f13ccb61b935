#include "list_versions.h"

#include "database.h"

std::int64_t catalogue_version(Database& db)
{
    auto query = db.prepare("SELECT n FROM versao_catalogo");
    return query.step() ? query.integer(0) : 0;
}

std::int64_t client_list_version(Database& db, const std::string& empresa, const std::string& ven_id)
{
    auto query = db.prepare("SELECT n FROM versao_clientes WHERE emp_codigo = ? AND ven_id = ?");
    query.bind_all(empresa, ven_id);
    return query.step() ? query.integer(0) : 0;
}

void ensure_list_versions(Database& db)
{
    std::string sql =
        "CREATE TABLE IF NOT EXISTS versao_catalogo (n INTEGER NOT NULL);"
        "INSERT INTO versao_catalogo SELECT 0 WHERE NOT EXISTS (SELECT 1 FROM versao_catalogo);";
    for (const char* table : {"produto", "tabela_preco", "tabela_produto"})
        for (const char* event : {"INSERT", "UPDATE", "DELETE"})
            sql += std::string("CREATE TRIGGER IF NOT EXISTS versao_") + table + "_" + event + " AFTER " +
                   event + " ON " + table + " BEGIN UPDATE versao_catalogo SET n = n + 1; END;";

    // One counter per salesperson: a change of one salesperson's clients leaves the others' lists.
    // An update counts for the salesperson before and after, should the client change hands.
    sql += "CREATE TABLE IF NOT EXISTS versao_clientes (emp_codigo TEXT NOT NULL, ven_id TEXT NOT NULL, "
           "n INTEGER NOT NULL, PRIMARY KEY (emp_codigo, ven_id)) WITHOUT ROWID;";
    const auto count = [](const char* row) {
        return std::string("INSERT INTO versao_clientes VALUES (") + row + ".emp_codigo, " + row +
               ".ven_id, 1) ON CONFLICT DO UPDATE SET n = n + 1;";
    };
    sql += "CREATE TRIGGER IF NOT EXISTS versao_cliente_INSERT AFTER INSERT ON cliente BEGIN " +
           count("NEW") + " END;";
    sql += "CREATE TRIGGER IF NOT EXISTS versao_cliente_UPDATE AFTER UPDATE ON cliente BEGIN " +
           count("OLD") + count("NEW") + " END;";
    sql += "CREATE TRIGGER IF NOT EXISTS versao_cliente_DELETE AFTER DELETE ON cliente BEGIN " +
           count("OLD") + " END;";
    db.exec(sql);
}
