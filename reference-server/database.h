#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

class DatabaseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Statement;

// One SQLite connection. Every failure raises DatabaseError with SQLite's own text.
class Database {
public:
    explicit Database(const std::string& path);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    void exec(std::string_view sql);
    Statement prepare(std::string_view sql);
    sqlite3* handle() const { return db_; }

    // Runs the callable inside BEGIN IMMEDIATE ... COMMIT; an exception rolls back.
    template <typename F> void transaction(F&& body)
    {
        exec("BEGIN IMMEDIATE");
        try {
            body();
        } catch (...) {
            exec("ROLLBACK");
            throw;
        }
        exec("COMMIT");
    }

private:
    sqlite3* db_ = nullptr;
};

class Statement {
public:
    Statement(Database& db, std::string_view sql);
    ~Statement();
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&&) = delete;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Parameters count from 1, as in SQLite. Text is copied.
    Statement& bind(int index, std::int64_t value);
    Statement& bind(int index, int value) { return bind(index, static_cast<std::int64_t>(value)); }
    Statement& bind(int index, double value);
    Statement& bind(int index, std::string_view text);
    Statement& bind(int index, const char* text) { return bind(index, std::string_view(text)); }
    Statement& bind(int index, const std::string& text) { return bind(index, std::string_view(text)); }
    Statement& bind_null(int index);
    template <typename T> Statement& bind(int index, const std::optional<T>& value)
    {
        return value ? bind(index, *value) : bind_null(index);
    }

    // Binds the values to parameters 1, 2, ... in order.
    template <typename... Values> Statement& bind_all(const Values&... values)
    {
        int index = 0;
        (bind(++index, values), ...);
        return *this;
    }

    // True while a row is available.
    bool step();
    // Steps a statement that returns no row, then resets it for the next use.
    void run();
    void reset();

    bool is_null(int column) const;
    std::int64_t integer(int column) const;
    double real(int column) const;
    // Valid until the next step or reset.
    std::string_view text(int column) const;

private:
    [[noreturn]] void fail(const char* what) const;
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};
