#pragma once

#include <cstdint>
#include <string_view>

namespace tallowick {

class RecordCursor;

// The ledger's two rebalancing changes, shared by the windows and by every
// tool that must behave exactly as they do.

// Adds the ledger's first row, "Initial Balance", whose balance is
// `balanceText` in the typed-amount form and whose amounts are 0. A text that
// is no amount, and any fault of the file, is thrown and nothing is stored.
void AddInitialBalance(RecordCursor& cursor, std::string_view balanceText);

// Stores the row that the cursor has open for editing (Edit ... SetField)
// and recomputes every balance. One transaction: on failure the row and
// every balance are as before, the error is thrown, and the cursor stands on
// the edited row again so that the change can be retried.
void UpdateAndRebalance(RecordCursor& cursor);

// Deletes the row at `position` (1-based, counted from the first row) and
// recomputes every balance. One transaction: on failure, a position that
// names no row included, nothing is deleted and the error is thrown.
void DeleteAndRebalance(RecordCursor& cursor, std::int64_t position);

} // namespace tallowick
