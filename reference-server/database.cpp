#include "database.h"

#include <sqlite3.h>

namespace {

[[noreturn]] void raise(sqlite3* db, std::string_view what)
{
    std::string message = "Erro no banco de dados (";
    message += what;
    message += "): ";
    message += db != nullptr ? sqlite3_errmsg(db) : "sem memória";
    throw DatabaseError(message);
}

} // namespace

Database::Database(const std::string& path)
{
    const int rc = sqlite3_open_v2(path.c_str(), &db_,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        std::string message = "Não foi possível abrir o banco de dados " + path + ": ";
        message += db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        sqlite3_close(db_);
        throw DatabaseError(message);
    }
    // Requests run on several threads, each with its own connection; a writer makes the others wait
    // a little instead of failing at once.
    sqlite3_busy_timeout(db_, 5000);
    exec("PRAGMA foreign_keys = ON");
}

Database::~Database()
{
    sqlite3_close_v2(db_);
}

void Database::exec(std::string_view sql)
{
    const std::string text(sql);
    char* error = nullptr;
    if (sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::string message = "Erro no banco de dados: ";
        message += error != nullptr ? error : sqlite3_errmsg(db_);
        sqlite3_free(error);
        throw DatabaseError(message);
    }
}

Statement Database::prepare(std::string_view sql)
{
    return Statement(*this, sql);
}

Statement::Statement(Database& db, std::string_view sql) : db_(db.handle())
{
    if (sqlite3_prepare_v3(db_, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, &stmt_,
                           nullptr) != SQLITE_OK)
        raise(db_, sql);
}

Statement::~Statement()
{
    sqlite3_finalize(stmt_);
}

Statement::Statement(Statement&& other) noexcept : db_(other.db_), stmt_(other.stmt_)
{
    other.stmt_ = nullptr;
}

void Statement::fail(const char* what) const
{
    raise(db_, what);
}

Statement& Statement::bind(int index, std::int64_t value)
{
    if (sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK) fail("bind");
    return *this;
}

Statement& Statement::bind(int index, double value)
{
    if (sqlite3_bind_double(stmt_, index, value) != SQLITE_OK) fail("bind");
    return *this;
}

Statement& Statement::bind(int index, std::string_view text)
{
    if (sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8) !=
        SQLITE_OK)
        fail("bind");
    return *this;
}

Statement& Statement::bind_null(int index)
{
    if (sqlite3_bind_null(stmt_, index) != SQLITE_OK) fail("bind");
    return *this;
}

bool Statement::step()
{
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    fail(sqlite3_sql(stmt_));
}

void Statement::run()
{
    step();
    reset();
}

void Statement::reset()
{
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

bool Statement::is_null(int column) const
{
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

std::int64_t Statement::integer(int column) const
{
    return sqlite3_column_int64(stmt_, column);
}

double Statement::real(int column) const
{
    return sqlite3_column_double(stmt_, column);
}

std::string_view Statement::text(int column) const
{
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    if (p == nullptr) return {};
    return {p, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column))};
}
