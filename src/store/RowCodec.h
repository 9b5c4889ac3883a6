#pragma once

#include "LedgerRow.h"
#include "Sqlite.h"

namespace tallowick {

// The eight columns in table order, for SELECT lists.
inline constexpr const char* kRowColumnsSql =
    "\"number\", \"date\", \"description of transaction\", \"payment / debit\", "
    "\"tax deductible\", \"fee\", \"deposit / credit\", \"balance\"";

// Decodes the eight columns that start at `first` in the statement's result.
LedgerRow readRow(const Statement& statement, int first);

// Binds the eight fields to the parameters first .. first + 7.
void bindRow(Statement& statement, const LedgerRow& row, int first);

} // namespace tallowick
