#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tallowick {

// Closes a handle, and first finalizes the statements kept for it (keepStatements).
struct SqliteCloser {
    void operator()(sqlite3* db) const;
};
struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};

using DatabaseHandle = std::unique_ptr<sqlite3, SqliteCloser>;

// Turns an engine result code into the store's sentence and throws it.
[[noreturn]] void throwEngineError(sqlite3* db, int resultCode);

// A prepared statement that is reset after every use, so that no read
// stays open between calls and blocks another connection's write.
class Statement {
public:
    Statement(sqlite3* db, std::string_view sql);

    Statement& bind(int index, std::int64_t value);
    Statement& bind(int index, std::string_view text);
    Statement& bindNull(int index);

    // Steps once: true while a row is ready, false when done. Engine errors throw.
    bool step();
    // Runs a statement that returns no rows, then resets it.
    void run();
    void reset();

    std::int64_t integer(int column) const { return sqlite3_column_int64(handle_.get(), column); }
    // The value's storage class: SQLITE_INTEGER, SQLITE_FLOAT, SQLITE_TEXT, SQLITE_BLOB or SQLITE_NULL.
    int type(int column) const { return sqlite3_column_type(handle_.get(), column); }
    bool isNull(int column) const { return type(column) == SQLITE_NULL; }
    std::string text(int column) const;
    // The same text without a copy; it lasts until the next step or reset.
    std::string_view textView(int column) const;

private:
    sqlite3* db_;
    std::unique_ptr<sqlite3_stmt, StatementFinalizer> handle_;
};

// Lets `db` keep the statements its KeptStatements prepare, until it is closed through a DatabaseHandle.
void keepStatements(sqlite3* db);

// A statement the store runs once a row (the reconciliation's marks), prepared once for its handle and
// kept with it: preparing costs far more than running such a statement. It is found reset and left reset,
// as a Statement is after each use; a handle that keeps no statements, or a statement already in use,
// prepares one for this use alone. The engine prepares a kept statement again after a schema change.
class KeptStatement {
public:
    KeptStatement(sqlite3* db, const std::string& sql);
    ~KeptStatement();
    KeptStatement(const KeptStatement&) = delete;
    KeptStatement& operator=(const KeptStatement&) = delete;

    Statement* operator->() { return statement_; }
    Statement& operator*() { return *statement_; }

private:
    std::optional<Statement> own_;
    Statement* statement_ = nullptr;
    bool* inUse_ = nullptr;
};

// Runs SQL without parameters (pragmas, transaction control).
void execute(sqlite3* db, const char* sql);

} // namespace tallowick
