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
// Where the stored rowids leave room after the selected row (rows added at
// the end are spaced apart, and a deleted row leaves a hole), the placeholder
// takes that room and no row moves. Otherwise the rows after it move down,
// each taking the content of the row before it, up to the first gap in the
// rowids, where the last moved row settles; without a gap every later row
// moves and the former last row is appended.
//
// One transaction: on any failure nothing has changed and the error is
// thrown. A position outside 1 .. row count throws StoreError(NoCurrentRow).
// Leaves the cursor on the first row.
void InsertPlaceholderAfter(RecordCursor& cursor, std::int64_t position);

} // namespace tallowick
