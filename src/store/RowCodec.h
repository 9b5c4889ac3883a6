#pragma once

#include "LedgerRow.h"
#include "Sqlite.h"

namespace tallowick {

// The eight columns in table order, for SELECT lists.
inline constexpr const char* kRowColumnsSql =
    "\"number\", \"date\", \"description of transaction\", \"payment / debit\", "
    "\"tax deductible\", \"fee\", \"deposit / credit\", \"balance\"";

// A new row: the eight columns bound to ?1 .. ?8, its rowid to ?9.
inline constexpr const char* kInsertRowSql =
    "INSERT INTO Ledger (rowid, \"number\", \"date\", \"description of transaction\", \"payment / debit\", "
    "\"tax deductible\", \"fee\", \"deposit / credit\", \"balance\") "
    "VALUES (?9, ?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)";

// The row under rowid ?9 rewritten with the eight columns bound to ?1 .. ?8.
inline constexpr const char* kRewriteRowSql =
    "UPDATE Ledger SET \"number\" = ?1, \"date\" = ?2, \"description of transaction\" = ?3, "
    "\"payment / debit\" = ?4, \"tax deductible\" = ?5, \"fee\" = ?6, \"deposit / credit\" = ?7, "
    "\"balance\" = ?8 WHERE rowid = ?9";

// Decodes the eight columns that start at `first` in the statement's result.
// A value this program never writes (another storage class, a flag other
// than 0 or 1, a date not written yyyy-mm-dd) is refused as a bad row with a
// NotALedger StoreError, never read as something else; the sentence names
// the row's 1-based `position` in stored order when the caller knows it.
LedgerRow readRow(const Statement& statement, int first, long long position = 0);

// Decodes one amount column at `index`, refused in the same way unless it is
// a whole number of ten-thousandths.
Money readAmount(const Statement& statement, int index, LedgerColumn column);

// Binds the eight fields to the parameters first .. first + 7.
void bindRow(Statement& statement, const LedgerRow& row, int first);

} // namespace tallowick
