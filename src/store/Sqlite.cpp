#include "Sqlite.h"

#include "StoreError.h"

#include <cerrno>
#include <unordered_map>

namespace tallowick {

void throwEngineError(sqlite3* db, int resultCode)
{
    using Kind = StoreError::Kind;
    const std::string detail = db ? sqlite3_errmsg(db) : sqlite3_errstr(resultCode);
    switch (resultCode & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        throw StoreError(
            Kind::Locked,
            "The ledger file is locked by another program. Close the other program and try again.");
    case SQLITE_READONLY:
        throw StoreError(Kind::ReadOnly, "The ledger file is read-only, so the change cannot be saved.");
    case SQLITE_FULL: throw StoreError(Kind::DiskFull, "The disk is full, so the change cannot be saved.");
    case SQLITE_NOTADB: throw StoreError(Kind::NotALedger, "The ledger file is not a ledger database.");
    case SQLITE_CORRUPT: throw StoreError(Kind::NotALedger, "The ledger file is damaged and cannot be read.");
    case SQLITE_IOERR:
        // A write that hit the end of the disk or the file-size limit.
        if (db && (sqlite3_system_errno(db) == ENOSPC || sqlite3_system_errno(db) == EFBIG))
            throw StoreError(Kind::DiskFull, "The disk is full, so the change cannot be saved.");
        throw StoreError(Kind::FileAccess, "The ledger file could not be read or written.");
    case SQLITE_CANTOPEN:
    case SQLITE_PERM: throw StoreError(Kind::FileAccess, "The ledger file could not be opened.");
    case SQLITE_CONSTRAINT: throw StoreError(Kind::Engine, "The ledger refused the change (" + detail + ").");
    default: throw StoreError(Kind::Engine, "The ledger could not be read or changed (" + detail + ").");
    }
}

Statement::Statement(sqlite3* db, std::string_view sql) : db_(db)
{
    sqlite3_stmt* raw = nullptr;
    const int rc =
        sqlite3_prepare_v3(db, sql.data(), int(sql.size()), SQLITE_PREPARE_PERSISTENT, &raw, nullptr);
    handle_.reset(raw);
    if (rc != SQLITE_OK)
        throwEngineError(db, rc);
}

Statement& Statement::bind(int index, std::int64_t value)
{
    sqlite3_bind_int64(handle_.get(), index, value);
    return *this;
}

Statement& Statement::bind(int index, std::string_view text)
{
    sqlite3_bind_text(handle_.get(), index, text.data(), int(text.size()), SQLITE_TRANSIENT);
    return *this;
}

Statement& Statement::bindNull(int index)
{
    sqlite3_bind_null(handle_.get(), index);
    return *this;
}

bool Statement::step()
{
    const int rc = sqlite3_step(handle_.get());
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    // Keep the engine's own message: reset would replace it.
    try {
        throwEngineError(db_, rc);
    } catch (...) {
        sqlite3_reset(handle_.get());
        throw;
    }
}

void Statement::run()
{
    step();
    reset();
}

void Statement::reset()
{
    sqlite3_reset(handle_.get());
    sqlite3_clear_bindings(handle_.get());
}

std::string Statement::text(int column) const
{
    return std::string(textView(column));
}

std::string_view Statement::textView(int column) const
{
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(handle_.get(), column));
    return bytes ? std::string_view(bytes, std::size_t(sqlite3_column_bytes(handle_.get(), column)))
                 : std::string_view();
}

namespace {

struct Kept {
    Statement statement;
    bool inUse = false;
};

// The statements each handle keeps, by their SQL. The store runs on one thread. Never destroyed, so
// that a handle closed while the program ends still finds it.
using KeptByHandle = std::unordered_map<sqlite3*, std::unordered_map<std::string, std::unique_ptr<Kept>>>;
KeptByHandle& keptStatements()
{
    static KeptByHandle* kept = new KeptByHandle;
    return *kept;
}

} // namespace

void SqliteCloser::operator()(sqlite3* db) const
{
    keptStatements().erase(db);
    sqlite3_close_v2(db);
}

void keepStatements(sqlite3* db)
{
    keptStatements().try_emplace(db);
}

KeptStatement::KeptStatement(sqlite3* db, const std::string& sql)
{
    const auto handle = keptStatements().find(db);
    if (handle != keptStatements().end()) {
        auto& slot = handle->second[sql];
        if (!slot)
            slot = std::make_unique<Kept>(Kept{Statement(db, sql)});
        if (!slot->inUse) {
            slot->inUse = true;
            inUse_ = &slot->inUse;
            statement_ = &slot->statement;
            return;
        }
    }
    statement_ = &own_.emplace(db, sql);
}

KeptStatement::~KeptStatement()
{
    statement_->reset();
    if (inUse_)
        *inUse_ = false;
}

void execute(sqlite3* db, const char* sql)
{
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throwEngineError(db, rc);
}

} // namespace tallowick
