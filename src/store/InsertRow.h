#pragma once

#include "LedgerRow.h"

#include <cstdint>

namespace tallowick {

class RecordCursor;

// The row that an insertion places: no number, no date, "INSERTED ROW",
// every amount and the balance 0.
LedgerRow placeholderRow();

// Places the placeholder directly after the row at `position` (1-based):
// rows 1 .. position stay as they are, every later row moves one position
// down with all eight fields unchanged, and the table gains exactly one row.
// No balance is recomputed.
//
// Rows are moved only up to the first gap in the stored rowids after the
// insertion point (a deleted row leaves one), where the last moved row can
// settle without disturbing the order; without a gap every later row moves
// and the former last row is appended.
//
// One transaction: on any failure nothing has changed and the error is
// thrown. A position outside 1 .. row count throws StoreError(NoCurrentRow).
// Leaves the cursor on the first row.
void InsertPlaceholderAfter(RecordCursor& cursor, std::int64_t position);

} // namespace tallowick
